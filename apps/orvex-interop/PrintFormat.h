#pragma once

#include "Geometry/Kernel/TopoShape.h"

#include <string>

namespace orvex::cli {

// Short form of a real number with up to `digits` significant digits: no trailing zeros, and
// no "-0" for a value that only rounding kept from zero.
std::string Number(double value, int digits = 9);
// "3 groups", "1 material".
std::string Plural(size_t count, const char* noun);
// "Solid", "Face", ...
const char* ShapeTypeName(orvkit::EnumTopoShapeType type);
// "#rrggbb" of a linear RGB colour, in sRGB.
std::string ToSrgbHex(float r, float g, float b);

} // namespace orvex::cli
