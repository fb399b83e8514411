#pragma once

#include "Data/Kernel/Document.h"
#include "Graphics/SceneNode.h"

#include <string>

namespace orvex::cli {

// The offline 3D page of a document: one HTML file with three.js and its orbit controls and
// glTF loader inlined (from the system's libjs-three), the model as embedded glTF (SceneGltf:
// its JSON as text, its buffer in base64) and the element tree as embedded JSON, so that it
// opens in any current browser without fetching anything.
class ViewPage {
public:
    // `file` is the path shown as the page's title.
    ViewPage(const orvkit::Document& document, const std::string& file);
    // The page of a display scene (a VRML file's): its tree lists the scene's groups and
    // shapes, the latter named and coloured by their face material.
    ViewPage(const orvkit::SceneNode& root, const std::string& file);

    // Writes the page to `path`, whole or not at all. False with the reason in `error` when
    // three.js is not installed or the file cannot be written.
    bool Write(const std::string& path, std::string& error) const;

    // The tree embedded in the page: per element its id, class, name, alias, parent,
    // children, prototype and colour, and for dimensions their text point and label.
    const std::string& GetTreeJson() const { return myTree; }

private:
    std::string myTree;
    std::string myModel;  // glTF JSON
    std::string myBuffer; // its buffer, base64
};

} // namespace orvex::cli
