#pragma once

#include "Geometry/Kernel/TopoShape.h"

#include <gp_Trsf.hxx>

#include <memory>

namespace orvkit {

// Moves shapes.
struct TransformTool {
    // The shape moved by `transform`. With `copy` false the geometry is shared and only the
    // placement changes where the transform allows it (rotations, translations; a scale or a
    // mirror rebuilds the geometry anyway); with true the result never shares geometry with
    // the shape. Null for a null shape or when OpenCASCADE cannot apply the transform.
    static std::shared_ptr<TopoShape> Transform(const std::shared_ptr<TopoShape>& shape,
                                                const gp_Trsf& transform, bool copy);
};

} // namespace orvkit
