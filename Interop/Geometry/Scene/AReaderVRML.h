#pragma once

#include "Graphics/SceneExchangeManager.h"

#include <string>
#include <unordered_map>

namespace orvkit {

// Loads VRML 2.0 files (.wrl) as scene-node trees: a group node for every grouping node of the
// file, carrying its transform, and a B-rep node for every shape node, with a material of its
// own made from the file's material ("pbr-0", "pbr-1", ... in file order, from the template
// "color-pbr"). Holds no state; everything of one load lives in that call.
class ReaderVRML : public SceneReader {
public:
    ReaderVRML();
    ~ReaderVRML() override;

    // The host's overloads, which end in the narrow-path one below.
    using SceneReader::Load;
    // The root group of the file's scene; null when the file is missing, has no bytes at all
    // or does not parse. Logs nothing about a failed read.
    std::shared_ptr<SceneNode> Load(const std::string& fileName) override;
    // Sets "wrl" to "*.wrl".
    void GetFilters(std::unordered_map<std::string, std::string>& filters) override;
    // True for exactly ".wrl" (lower case).
    bool IsSupported(std::string extension) override;
};

} // namespace orvkit
