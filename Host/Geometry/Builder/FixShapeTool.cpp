#include "FixShapeTool.h"

#include <ShapeFix_Wireframe.hxx>

namespace orvkit {

std::shared_ptr<TopoShape> FixShapeTool::FixSmallEdges(const std::shared_ptr<TopoShape>& shape,
                                                       double length, double toleranceFactor)
{
    if (!shape || shape->IsNull() || !(length > 0.0) || !(toleranceFactor > 0.0)) {
        return nullptr;
    }
    Handle(ShapeFix_Wireframe) fix = new ShapeFix_Wireframe(shape->GetImpl());
    fix->SetPrecision(length);
    fix->SetMaxTolerance(length * toleranceFactor);
    fix->ModeDropSmallEdges() = Standard_True;
    fix->FixSmallEdges();
    const TopoDS_Shape result = fix->Shape();
    return result.IsNull() ? nullptr : TopoShape::Create(result);
}

} // namespace orvkit
