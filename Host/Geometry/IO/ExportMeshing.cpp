#include "ExportMeshing.h"

#include "Geometry/Kernel/BoxDiagonal.h"

#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>

#include <algorithm>

namespace orvkit {

double ExportMeshing::GetLinearDeflection(double diagonal, double relative, double chosen)
{
    if (chosen > 0.0) {
        return chosen;
    }
    return std::max(relative * diagonal, MinDeflection);
}

double ExportMeshing::GetLinearDeflection(const TopoDS_Shape& shape, double chosen)
{
    if (chosen > 0.0) {
        return chosen;
    }
    Bnd_Box box;
    BRepBndLib::Add(shape, box);
    if (box.IsVoid()) {
        return MinDeflection;
    }
    box.SetGap(0.0);
    return GetLinearDeflection(BoxDiagonal(box));
}

} // namespace orvkit
