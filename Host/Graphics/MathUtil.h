#pragma once

#include <gp_Trsf.hxx>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

class Quantity_Color;

namespace orvkit {

// Conversions from OpenCASCADE's geometry and colour types to the renderer's types.
struct MathUtil {
    // The transformation as a column-major 4x4 matrix (glm's layout), scale factor included:
    // the matrix maps a point exactly as `transform` does.
    static glm::mat4 Matrix4(const gp_Trsf& transform);
    // The colour's RGB components exactly as OpenCASCADE holds them (linear since 7.5), with no
    // conversion: the numbers a file gave.
    static glm::vec3 Vec3(const Quantity_Color& color);
};

} // namespace orvkit
