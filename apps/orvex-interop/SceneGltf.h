#pragma once

#include "Data/Kernel/Document.h"
#include "Graphics/SceneNode.h"

#include <string>

namespace orvex::cli {

// A document's drawable content as glTF 2.0, in the document's own units and axes: the JSON and
// its one binary buffer, kept apart so that a page can hold the JSON as text.
//
// Every shape element that is drawn (a prototype placed by instances, or a shape placed on its
// own) becomes one mesh, meshed once with a chordal deflection of 0.5 % of the shape's
// bounding-box diagonal and 0.5 rad angular, with one primitive per colour: the element's colour,
// and the per-face colours of its table. Nodes mirror the element tree (assemblies, groups,
// instances, shapes) with each element's placement, and are named by element id, so that the
// page can find the node of a tree entry. An instance's node uses its prototype's mesh; 10,000
// instances of one part are 10,000 small nodes and one mesh.
class SceneGltf {
public:
    explicit SceneGltf(const orvkit::Document& document);
    // A display scene (a VRML file's): groups with their transforms, shapes in their face
    // material's colour, nodes named by their depth-first number from 1.
    explicit SceneGltf(const orvkit::SceneNode& root);

    // The glTF JSON; its buffer 0 has no URI and is GetBinary().
    const std::string& GetJson() const { return myJson; }
    const std::string& GetBinary() const { return myBinary; }

private:
    std::string myJson;
    std::string myBinary;
};

} // namespace orvex::cli
