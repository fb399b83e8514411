#include "TransformTool.h"

#include <BRepBuilderAPI_Transform.hxx>

namespace orvkit {

std::shared_ptr<TopoShape> TransformTool::Transform(const std::shared_ptr<TopoShape>& shape,
                                                    const gp_Trsf& transform, bool copy)
{
    if (!shape || shape->IsNull()) {
        return nullptr;
    }
    BRepBuilderAPI_Transform transformer(shape->GetImpl(), transform, copy);
    if (!transformer.IsDone()) {
        return nullptr;
    }
    return TopoShape::Create(transformer.Shape());
}

} // namespace orvkit
