#pragma once

#include "Geometry/Kernel/TopoShape.h"

#include <memory>

namespace orvkit {

// Builds new shapes from existing ones.
struct ShapeBuilder {
    // Sews the faces of `shape` within `tolerance` and makes a solid of every closed shell that
    // comes out, outward-oriented: a solid, or a compound of solids when there are several.
    // Solids already in `shape` are kept as they are, not sewn to their neighbours, and a shape
    // with no face outside its solids (a solid, an assembly of solids) returns itself. Null
    // when some face does not end up in a closed shell (an open shell, loose faces), when there
    // are no faces, or when a solid it makes is not valid: no face is ever dropped silently.
    // Edges and vertices that belong to no face are not carried into a new result.
    static std::shared_ptr<TopoShape> MakeSolid(const std::shared_ptr<TopoShape>& shape,
                                                double tolerance);
};

} // namespace orvkit
