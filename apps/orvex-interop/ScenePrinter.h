#pragma once

#include "Graphics/SceneNode.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

namespace orvex::cli {

// Shows a scene-node tree to a person (an indented tree and a summary line) or to a program
// (one JSON document). Material colours are shown as sRGB hex, as a VRML file writes them;
// the materials keep linear RGB, as OpenCASCADE does.
class ScenePrinter {
public:
    explicit ScenePrinter(const orvkit::SceneNode& root);

    void PrintText(std::ostream& out, const std::string& title) const;
    nlohmann::json ToJson() const;

private:
    void PrintNode(std::ostream& out, const orvkit::SceneNode& node, int depth) const;
    nlohmann::json NodeToJson(const orvkit::SceneNode& node) const;

    const orvkit::SceneNode& myRoot;
    int myGroups = 0;
    int myBreps = 0;
    // Distinct material instances on faces and edges.
    int myMaterials = 0;
};

} // namespace orvex::cli
