#include "TopoExplor.h"

#include <TopoDS_Iterator.hxx>

namespace orvkit {

std::vector<std::shared_ptr<TopoShape>>
TopoExplor::GetSubShapes(const std::shared_ptr<TopoShape>& shape)
{
    std::vector<std::shared_ptr<TopoShape>> subShapes;
    if (!shape || shape->IsNull()) {
        return subShapes;
    }
    // The iterator composes each child's location and orientation with the parent's, so a
    // member of a placed compound comes out where the compound puts it.
    for (TopoDS_Iterator it(shape->GetImpl()); it.More(); it.Next()) {
        subShapes.push_back(TopoShape::Create(it.Value()));
    }
    return subShapes;
}

} // namespace orvkit
