#include "Geometry/Document/AReferenceTargets.h"

#include "Data/Kernel/Document.h"
#include "Data/Kernel/ReferenceShape.h"
#include "Data/Kernel/ShapeElement.h"

#include <XCAFDoc_ShapeTool.hxx>

namespace orvkit {

AReferenceTargets::AReferenceTargets(Document* document, const PartElements& parts)
    : myDocument(document), myParts(parts)
{
}

ObjectId AReferenceTargets::Create(const TDF_Label& label)
{
    if (label.IsNull()) {
        return ObjectId::InvalidId;
    }
    const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
    const TDF_Label father = label.Father();
    if (shape.IsNull() || father.IsNull()) {
        return ObjectId::InvalidId;
    }
    // Only a sub-shape label of a written part can be named inside that part's element.
    auto owner = myParts.find(father);
    if (owner == myParts.end()) {
        return ObjectId::InvalidId;
    }
    const auto* element = myDocument->FindElementAs<ShapeElement>(owner->second);
    if (element == nullptr || !element->GetShape()) {
        return ObjectId::InvalidId;
    }
    const int index = element->GetShape()->FindChildIndex(TopoShape::Create(shape));
    if (index < 0) {
        return ObjectId::InvalidId;
    }
    PickedId picked(owner->second);
    picked.SetShapeType(static_cast<EnumTopoShapeType>(shape.ShapeType()));
    picked.SetTopoShapeId(index);
    return ReferenceShape::Create(myDocument, picked)->GetId();
}

} // namespace orvkit
