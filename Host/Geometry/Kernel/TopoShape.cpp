#include "TopoShape.h"

#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>

namespace orvkit {

std::shared_ptr<TopoShape> TopoShape::Create(const TopoDS_Shape& shape)
{
    return std::make_shared<TopoShape>(shape);
}

EnumTopoShapeType TopoShape::GetShapeType() const
{
    return myShape.IsNull() ? TopoShapeShape : static_cast<EnumTopoShapeType>(myShape.ShapeType());
}

int TopoShape::FindChildIndex(const std::shared_ptr<TopoShape>& child) const
{
    if (!child || child->IsNull() || myShape.IsNull()) {
        return -1;
    }
    TopTools_IndexedMapOfShape map;
    TopExp::MapShapes(myShape, child->GetImpl().ShapeType(), map);
    return map.FindIndex(child->GetImpl()) - 1;
}

TopoDS_Shape TopoShape::FindChild(EnumTopoShapeType type, int index) const
{
    if (myShape.IsNull() || index < 0 || type > TopoShapeVertex) {
        return {};
    }
    TopTools_IndexedMapOfShape map;
    TopExp::MapShapes(myShape, static_cast<TopAbs_ShapeEnum>(type), map);
    return index < map.Extent() ? map.FindKey(index + 1) : TopoDS_Shape();
}

int TopoShape::CountChildren(EnumTopoShapeType type) const
{
    if (myShape.IsNull() || type > TopoShapeVertex) {
        return 0;
    }
    TopTools_IndexedMapOfShape map;
    TopExp::MapShapes(myShape, static_cast<TopAbs_ShapeEnum>(type), map);
    return map.Extent();
}

} // namespace orvkit
