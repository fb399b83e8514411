#pragma once

#include <gp_Trsf.hxx>

#include <glm/mat4x4.hpp>

namespace orvkit {

// Conversions from OpenCASCADE's geometry types to the renderer's matrix types.
struct MathUtil {
    // The transformation as a column-major 4x4 matrix (glm's layout), scale factor included:
    // the matrix maps a point exactly as `transform` does.
    static glm::mat4 Matrix4(const gp_Trsf& transform);
};

} // namespace orvkit
