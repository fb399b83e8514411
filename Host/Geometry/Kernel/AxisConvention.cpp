#include "AxisConvention.h"

namespace orvkit {

gp_Ax3 AxisConvention::GetSystem(int code)
{
    switch (code) {
    case 0:
        return gp_Ax3(gp_Pnt(0, 0, 0), gp_Dir(1, 0, 0), gp_Dir(0, 1, 0));
    case 1:
        return gp_Ax3(gp_Pnt(0, 0, 0), gp_Dir(0, 1, 0), gp_Dir(1, 0, 0));
    default:
        return gp_Ax3();
    }
}

gp_Trsf AxisConvention::GetChange(int from, int to)
{
    gp_Trsf change;
    if (from != to) {
        // The target system is the "from" argument: the model's coordinates are re-expressed.
        change.SetTransformation(GetSystem(to), GetSystem(from));
    }
    return change;
}

int AxisConvention::Parse(const std::string& text)
{
    if (text.empty() || text == "2" || text == "z-up") {
        return 2;
    }
    if (text == "0" || text == "x-up") {
        return 0;
    }
    if (text == "1" || text == "y-up") {
        return 1;
    }
    return -1;
}

} // namespace orvkit
