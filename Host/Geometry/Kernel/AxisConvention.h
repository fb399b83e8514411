#pragma once

#include <gp_Ax3.hxx>
#include <gp_Trsf.hxx>

#include <string>

namespace orvkit {

// The axis conventions a model may be drawn in, by the codes the export dialog uses: 0 X up,
// 1 Y up, 2 Z up (any other code counts as Z up).
struct AxisConvention {
    // The coordinate system of a convention.
    static gp_Ax3 GetSystem(int code);
    // The rotation that takes a model drawn in convention `from` into convention `to`;
    // identity when the two codes are equal.
    static gp_Trsf GetChange(int from, int to);
    // The code a text names: "0", "1", "2", "x-up", "y-up", "z-up" (empty: 2); -1 for any other.
    static int Parse(const std::string& text);
};

} // namespace orvkit
