#pragma once

#include "Geometry/Kernel/TopoShape.h"

#include <memory>
#include <vector>

namespace orvkit {

// Walks shapes.
struct TopoExplor {
    // The direct sub-shapes of `shape` (the members of a compound, the shells of a solid, ...)
    // in the order the shape holds them, each with the parent's placement applied. Empty for a
    // null shape or a vertex.
    static std::vector<std::shared_ptr<TopoShape>>
    GetSubShapes(const std::shared_ptr<TopoShape>& shape);
};

} // namespace orvkit
