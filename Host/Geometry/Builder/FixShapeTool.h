#pragma once

#include "Geometry/Kernel/TopoShape.h"

#include <memory>

namespace orvkit {

// Shape repairs on OpenCASCADE's shape healing.
struct FixShapeTool {
    // `shape` with its edges shorter than `length` removed: each joined to a neighbour, or
    // dropped and its two ends merged into one vertex. The second number, `toleranceFactor`,
    // bounds how far that may stretch a vertex: no vertex tolerance may grow beyond
    // `length * toleranceFactor` (1.0: up to the length itself), or beyond the largest one the
    // part had already. The repair works part by part: each solid of an assembly on its own
    // (each distinct solid once, however often it is placed), any other shape as a whole. A
    // part whose repair would break that bound, or leave it invalid to BRepCheck_Analyzer, is
    // kept as it was, small edges and all (one note at level 2 says how many); so is an edge
    // the repair cannot remove, such as one beside a seam. Parts without small edges come back
    // unchanged. Null for a null shape or a non-positive length or factor.
    static std::shared_ptr<TopoShape> FixSmallEdges(const std::shared_ptr<TopoShape>& shape,
                                                    double length, double toleranceFactor);
};

} // namespace orvkit
