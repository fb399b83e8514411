#pragma once

#include "Common/Core/LoadFailure.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace orvkit {
class XdeDocumentImpl;
}

namespace orvex::cli {

struct CompareOptions {
    std::string first;
    std::string second;
    bool json = false;
    // Relative: placements and the bounding box within tolerance times the model's
    // bounding-box diagonal (never below OpenCASCADE's confusion distance), dimension values
    // within tolerance times their size.
    double tolerance = 1e-6;
    // Relative, for volumes, areas and centroids (to the model's diagonal): OpenCASCADE heals
    // a file's geometry as it reads it, so a model written and read again measures a few parts
    // in 100,000 differently. Areas and volumes also agree when they differ by less than the
    // shapes' own tolerances allow (each edge's length times its tolerance, each face's area
    // times its tolerance).
    double propertyTolerance = 1e-4;
};

// One difference between two models: where in the tree, what, and the two values as text.
struct CompareDifference {
    std::string path;
    std::string what;
    std::string first;
    std::string second;

    // "PATH: WHAT FIRST vs SECOND", as `compare` prints it.
    std::string Text() const;
};

// What a comparison found: its differences in path order, a one-line summary of what was
// compared and left out, and the whole as `compare --json` prints it.
struct CompareResult {
    std::vector<CompareDifference> differences;
    std::string summary;
    nlohmann::json json;

    bool Equal() const { return differences.empty(); }
    // A line a difference, then the summary, as `compare` prints them.
    std::string Text() const;
};

// Compares `written`, a model in memory that was read from `source` (whose format says what
// it can hold), with `file` read back; false with the reason in `failure` when `file` cannot
// be read.
bool CompareWritten(const orvkit::XdeDocumentImpl& written, const std::string& source,
                    const std::string& file, const CompareOptions& options, CompareResult& result,
                    orvkit::LoadFailure& failure);

// Reads two model files and lists how they differ: the assembly tree (matched by the path of
// product names, then by order among siblings of the same name), product and instance names,
// each instance's placement in the model, part, instance, face and edge colours, dimension
// values, each part's solids, shells, faces, edges, vertices and free edges, its volume, area
// and centroid (area alone for a shape that is not closed), and the model's bounding box. What
// one of the formats cannot hold (names in OBJ, volumes of meshes, ...) is left out and said
// so. Exit code: 0 when equal, 1 when different, 2 when a file cannot be read (one line on
// standard error).
int RunCompare(const CompareOptions& options);

} // namespace orvex::cli
