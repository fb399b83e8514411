#pragma once

#include <Bnd_Box.hxx>

#include <cmath>

namespace orvkit {

// The length of the diagonal of `box`, its gap included: the size a shape is measured by
// wherever a tolerance or a deflection is taken relative to it. 0 for a void box.
inline double BoxDiagonal(const Bnd_Box& box)
{
    return box.IsVoid() ? 0.0 : std::sqrt(box.SquareExtent());
}

} // namespace orvkit
