#include "Geometry/Kernel/ValueText.h"

#include <Quantity_Color.hxx>
#include <gp_Quaternion.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace orvkit {

Placement ToPlacement(const gp_XYZ& translation, const gp_Mat& linear)
{
    Placement placement;
    placement.translation = translation;
    placement.scale = std::cbrt(linear.Determinant());
    if (std::abs(placement.scale) < 1e-12) {
        return placement;
    }
    double angle = 0;
    gp_Quaternion(linear.Divided(placement.scale)).GetVectorAndAngle(placement.axis, angle);
    placement.angleDegrees = angle * 180.0 / M_PI;
    if (std::abs(placement.angleDegrees) < 1e-9) {
        placement.angleDegrees = 0;
        placement.axis = gp_Vec(0, 0, 1);
    }
    return placement;
}

std::string PlacementText(const Placement& placement)
{
    if (placement.translation.Modulus() == 0 && placement.angleDegrees == 0) {
        return std::string();
    }
    std::string text = " at (" + Number(placement.translation.X()) + ", " +
                       Number(placement.translation.Y()) + ", " +
                       Number(placement.translation.Z()) + ")";
    if (placement.angleDegrees != 0) {
        text += " rotated " + Number(placement.angleDegrees) + " deg about (" +
                Number(placement.axis.X()) + ", " + Number(placement.axis.Y()) + ", " +
                Number(placement.axis.Z()) + ")";
    }
    return text;
}

std::string Number(double value, int digits)
{
    if (std::abs(value) < 5e-10) {
        value = 0;
    }
    return fmt::format("{:.{}g}", value, digits);
}

std::string DeviationText(double upper, double lower, bool plusMinus)
{
    const auto signedNumber = [](double value) {
        const std::string text = Number(value);
        return text == "0" || text.front() == '-' ? text : "+" + text;
    };
    return signedNumber(upper) + "/" + signedNumber(plusMinus ? -lower : lower);
}

std::string Plural(size_t count, const char* noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

const char* ShapeTypeName(EnumTopoShapeType type)
{
    static const char* const names[] = {"Compound", "Compsolid", "Solid",  "Shell", "Face",
                                        "Wire",     "Edge",      "Vertex", "Shape"};
    return type >= TopoShapeCompound && type <= TopoShapeShape ? names[type] : "Unknown";
}

std::string ToSrgbHex(float r, float g, float b)
{
    auto channel = [](float linear) {
        const float srgb =
            Quantity_Color::Convert_LinearRGB_To_sRGB(std::clamp(linear, 0.0f, 1.0f));
        return static_cast<int>(std::lround(srgb * 255.0f));
    };
    return fmt::format("#{:02x}{:02x}{:02x}", channel(r), channel(g), channel(b));
}

} // namespace orvkit
