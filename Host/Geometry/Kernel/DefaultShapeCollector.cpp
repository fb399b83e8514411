#include "DefaultShapeCollector.h"

#include <BRep_Builder.hxx>

namespace orvkit {

DefaultShapeCollector::DefaultShapeCollector(EnumLevelOfDetail levelOfDetail)
    : GShapeCollector(levelOfDetail)
{
    BRep_Builder().MakeCompound(myCompound);
}

void DefaultShapeCollector::Collect(const TopoDS_Shape& placed)
{
    if (myCount++ == 0) {
        myFirst = placed;
    }
    BRep_Builder().Add(myCompound, placed);
}

std::shared_ptr<TopoShape> DefaultShapeCollector::GetShape() const
{
    if (myCount == 0) {
        return nullptr;
    }
    return TopoShape::Create(myCount == 1 ? myFirst : TopoDS_Shape(myCompound));
}

} // namespace orvkit
