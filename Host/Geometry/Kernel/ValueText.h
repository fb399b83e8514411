#pragma once

#include "Geometry/Kernel/TopoShape.h"

#include <gp_Mat.hxx>
#include <gp_Vec.hxx>
#include <gp_XYZ.hxx>

#include <string>

namespace orvkit {

// How numbers, placements and colours read in what the program prints and the library
// reports, so that a report and a printed line say the same.

// A placement as people read it: a translation, a rotation by an angle about an axis (the z
// axis when there is no rotation) and a uniform scale, negative for a mirror.
struct Placement {
    gp_XYZ translation;
    gp_Vec axis{0, 0, 1};
    double angleDegrees = 0;
    double scale = 1;
};
// Splits a placement whose linear part is a rotation times a uniform scale.
Placement ToPlacement(const gp_XYZ& translation, const gp_Mat& linear);

// " at (x, y, z) rotated A deg about (u, v, w)" for a placement that moves anything; the
// rotation part only when there is one; empty for the identity.
std::string PlacementText(const Placement& placement);

// Short form of a real number with up to `digits` significant digits: no trailing zeros, and
// no "-0" for a value that only rounding kept from zero.
std::string Number(double value, int digits = 9);
// A dimension's tolerance as deviations from its value, upper first: "+0.0762/-0.0254". A
// plus/minus lower tolerance (`plusMinus`) is held as the size of the deviation below the
// value, a range's lower limit as its signed deviation from the value. Zero has no sign.
std::string DeviationText(double upper, double lower, bool plusMinus);
// "3 groups", "1 material".
std::string Plural(size_t count, const char* noun);
// "Solid", "Face", ...
const char* ShapeTypeName(EnumTopoShapeType type);
// "#rrggbb" of a linear RGB colour, in sRGB.
std::string ToSrgbHex(float r, float g, float b);

} // namespace orvkit
