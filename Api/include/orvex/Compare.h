#pragma once

#include "orvex/Model.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace orvex {

struct CompareOptions {
    // Relative: placements and the bounding box within tolerance times the model's
    // bounding-box diagonal (never below OpenCASCADE's confusion distance), dimension values
    // within tolerance times their size.
    double tolerance = 1e-6;
    // Relative, for volumes, areas and centroids (to the model's diagonal): OpenCASCADE heals
    // a file's geometry as it reads it, so a model written and read again measures a few parts
    // in 100,000 differently.
    double propertyTolerance = 1e-4;
    // Against a mesh file: the deflection in millimetres it was meshed with, when the writer
    // was given one (export --deflection); 0: the writer's own, 0.1 % of each part's diagonal.
    double deflection = 0.0;
};

// One difference: where in the tree, what, and the two values as text (empty for a side that
// has none).
struct Difference {
    std::string path;
    std::string topic;
    std::string a;
    std::string b;

    // "PATH: TOPIC A vs B".
    std::string Text() const;
};

struct CompareReport {
    std::string first; // the files compared
    std::string second;
    std::vector<Difference> differences; // in path order
    std::vector<std::string> compared;   // the topics compared
    // The topics left out, each with why ("glb keeps no assembly tree").
    std::vector<std::pair<std::string, std::string>> leftOut;
    double tolerance = 0.0;
    double propertyTolerance = 0.0;
    double lengthTolerance = 0.0; // in millimetres
    // Against a mesh file, the one rule by which meshing is told from a loss, in words; empty
    // between two models of faces.
    std::string meshTolerance;
    double meshDeflection = 0.0; // the deflection the rule took; 0: the writer's own
    // "equal; compared ...; left out ...", or "2 differences; compared ...".
    std::string summary;

    bool Equal() const { return differences.empty(); }
    // "a.stp vs b.glb: " and the summary: the line `compare` ends with.
    std::string Line() const;
    nlohmann::json ToJson() const;
};

// Compares two models: the assembly tree (matched by the path of product names, then by order
// among siblings of the same name), product and instance names, placements, part, instance,
// face and edge colours, dimension values, each part's topology, volume, area and centroid,
// the model's bounding box, and between two STEP files the PMI item by item (topic "pmi").
// What one of the formats cannot hold is left out and said so. Against a mesh file, each placed
// part (a glTF node with a mesh, matched by its path of names) is compared on its placement,
// colours, area and box; OBJ's groups by their path of product names, placements together;
// STL as the whole model; with the meshing tolerated as `meshTolerance` says.
CompareReport Compare(const Model& a, const Model& b, const CompareOptions& options = {});

} // namespace orvex
