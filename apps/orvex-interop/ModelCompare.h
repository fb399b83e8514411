#pragma once

#include <string>

namespace orvex::cli {

struct CompareOptions {
    std::string first;
    std::string second;
    bool json = false;
    // Relative: placements and the bounding box within tolerance times the model's
    // bounding-box diagonal, dimension values within tolerance times their size.
    double tolerance = 1e-6;
    // Relative, for volumes, areas and centroids (to the model's diagonal): OpenCASCADE heals
    // a file's geometry as it reads it, so a model written and read again measures a few parts
    // in 100,000 differently.
    double propertyTolerance = 1e-4;
};

// Reads two model files and lists how they differ: the assembly tree (matched by the path of
// product names, then by order among siblings of the same name), product and instance names,
// each instance's placement in the model, part, instance and face colours, dimension values,
// each part's volume, area and centroid, and the model's bounding box. What one of the formats
// cannot hold (names in OBJ, volumes of meshes, ...) is left out and said so.
// Exit code: 0 when equal, 1 when different, 2 when a file cannot be read (one line on
// standard error).
int RunCompare(const CompareOptions& options);

} // namespace orvex::cli
