#include "CurveElement.h"

#include "Geometry/Kernel/GShapeCollector.h"

namespace orvkit {

void CurveElement::CollectOwnShape(GShapeCollector& collector) const
{
    collector.AddShape(myShape);
}

bool CurveElement::SetShape(const std::shared_ptr<TopoShape>& shape)
{
    myShape = shape;
    return true;
}

} // namespace orvkit
