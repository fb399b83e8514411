#pragma once

#include "Geometry/Kernel/TopoShape.h"

#include <memory>

namespace orvkit {

// Shape repairs on OpenCASCADE's shape healing.
struct FixShapeTool {
    // A copy of `shape` in which every edge shorter than `length` is removed, its neighbours
    // joined. `toleranceFactor` bounds how far that may stretch a vertex: the tolerance of a
    // joined vertex may grow to `length * toleranceFactor` at most (1.0: up to the length
    // itself); an edge that cannot be removed within that bound stays. Null for a null shape
    // or a non-positive length or factor, or when the repair gives no shape.
    static std::shared_ptr<TopoShape> FixSmallEdges(const std::shared_ptr<TopoShape>& shape,
                                                    double length, double toleranceFactor);
};

} // namespace orvkit
