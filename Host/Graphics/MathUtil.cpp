#include "MathUtil.h"

#include <Quantity_Color.hxx>

namespace orvkit {

glm::mat4 MathUtil::Matrix4(const gp_Trsf& transform)
{
    // gp_Trsf::Value has the scale factor folded into the 3x3 part and the translation in
    // column 4; glm indexes columns first.
    glm::mat4 matrix(1.0f);
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 3; ++row) {
            matrix[column][row] = static_cast<float>(transform.Value(row + 1, column + 1));
        }
    }
    return matrix;
}

glm::vec3 MathUtil::Vec3(const Quantity_Color& color)
{
    const NCollection_Vec3<float>& rgb = color.Rgb();
    return {rgb.r(), rgb.g(), rgb.b()};
}

} // namespace orvkit
