#include "Geometry/Document/ADimensionBuilder.h"

#include "Annotation/AngularAnnotationModel.h"
#include "Annotation/AnnotationModel.h"
#include "Annotation/DiameterAnnotationModel.h"
#include "Annotation/LinearAnnotationModel.h"
#include "Annotation/RadiusAnnotationModel.h"
#include "Annotation/SizeAnnotationModel.h"
#include "Data/Kernel/Document.h"
#include "Data/Kernel/ReferenceShape.h"
#include "Data/Kernel/ShapeElement.h"

#include <TDF_LabelSequence.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace orvkit {

namespace {

gp_Ax2 CoordinateOf(const XCAFDimTolObjects_DimensionObject& object)
{
    return gp_Ax2(object.GetPointTextAttach(), object.GetPlane().Direction());
}

std::unique_ptr<AnnotationModel> MakeLinear(const XCAFDimTolObjects_DimensionObject& object,
                                            Document* document, ObjectId& id)
{
    auto linear = std::make_unique<LinearAnnotationModel>();
    id = linear->Create(document);
    linear->SetCoordinate(CoordinateOf(object));
    linear->SetValue(object.GetValue());
    linear->SetLocation(object.GetPointTextAttach());
    linear->SetOnPlane(false);
    linear->SetBillboard(false);
    return linear;
}

std::unique_ptr<AnnotationModel> MakeAngular(const XCAFDimTolObjects_DimensionObject& object,
                                             Document* document, ObjectId& id)
{
    // No value: an angle's comes from the geometry it measures.
    auto angular = std::make_unique<AngularAnnotationModel>();
    id = angular->Create(document);
    angular->SetCoordinate(CoordinateOf(object));
    angular->SetTextPosition(object.GetPointTextAttach());
    angular->SetEnableTextPosition(true);
    return angular;
}

std::unique_ptr<AnnotationModel> MakeSize(std::unique_ptr<SizeAnnotationModel> size,
                                          const XCAFDimTolObjects_DimensionObject& object,
                                          Document* document, ObjectId& id)
{
    id = size->Create(document);
    size->SetCoordinate(CoordinateOf(object));
    size->SetPosition(object.GetPointTextAttach());
    size->SetValue(object.GetValue());
    return size;
}

void SetTargets(AnnotationModel& model, ObjectId target1, ObjectId target2)
{
    if (target1.IsValid()) {
        model.SetTarget1(target1);
    }
    if (target2.IsValid()) {
        model.SetTarget2(target2);
    }
}

// Limits are kept as offsets from the value, as plus/minus tolerances are.
void SetTolerance(AnnotationModel& model, const XCAFDimTolObjects_DimensionObject& object)
{
    if (object.IsDimWithRange()) {
        const double upper = object.GetUpperBound();
        const double lower = object.GetLowerBound();
        const double value = object.GetValue();
        model.SetToleranceType(ToleranceRange);
        model.SetUpperTolerance(upper - value);
        model.SetLowerTolerance(lower - value);
    } else if (object.IsDimWithPlusMinusTolerance()) {
        model.SetToleranceType(TolerancePlusMinus);
        model.SetUpperTolerance(object.GetUpperTolValue());
        model.SetLowerTolerance(object.GetLowerTolValue());
    } else {
        model.SetToleranceType(ToleranceNone);
    }
}

} // namespace

ADimensionBuilder::ADimensionBuilder(Document* document,
                                     const Handle(XCAFDoc_DimTolTool)& dimTolTool,
                                     const PartElements& parts)
    : myDocument(document), myDimTolTool(dimTolTool), myParts(parts)
{
}

DrawableElement* ADimensionBuilder::CreateDimension(const TDF_Label& label)
{
    Handle(XCAFDoc_Dimension) dimension;
    if (!label.FindAttribute(XCAFDoc_Dimension::GetID(), dimension)) {
        return nullptr;
    }
    const Handle(XCAFDimTolObjects_DimensionObject) object = dimension->GetObject();
    if (object.IsNull()) {
        return nullptr;
    }
    TDF_Label target1;
    TDF_Label target2;
    FindTargets(label, target1, target2);
    // Targets come first: their reference elements exist even when the type makes no
    // annotation.
    const ObjectId id1 = CreateReferenceTarget(target1);
    const ObjectId id2 = CreateReferenceTarget(target2);
    BuiltModel built = CreateModel(*object);
    if (!built.model) {
        return nullptr;
    }
    SetTargets(*built.model, id1, id2);
    SetTolerance(*built.model, *object);
    return myDocument->FindElementAs<DrawableElement>(built.id);
}

void ADimensionBuilder::FindTargets(const TDF_Label& label, TDF_Label& target1,
                                    TDF_Label& target2) const
{
    TDF_LabelSequence first;
    TDF_LabelSequence second;
    myDimTolTool->GetRefShapeLabel(label, first, second);
    if (!first.IsEmpty()) {
        target1 = first.First();
    }
    if (!second.IsEmpty()) {
        target2 = second.First();
    } else if (first.Length() > 1) {
        target2 = first.Value(2);
    }
}

ObjectId ADimensionBuilder::CreateReferenceTarget(const TDF_Label& label)
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

ADimensionBuilder::BuiltModel
ADimensionBuilder::CreateModel(const XCAFDimTolObjects_DimensionObject& object)
{
    BuiltModel built;
    switch (object.GetType()) {
    case XCAFDimTolObjects_DimensionType_Location_LinearDistance:
    case XCAFDimTolObjects_DimensionType_Size_CurveLength:
        built.model = MakeLinear(object, myDocument, built.id);
        break;
    case XCAFDimTolObjects_DimensionType_Location_Angular:
    case XCAFDimTolObjects_DimensionType_Size_Angular:
        built.model = MakeAngular(object, myDocument, built.id);
        break;
    case XCAFDimTolObjects_DimensionType_Size_Diameter:
        built.model =
            MakeSize(std::make_unique<DiameterAnnotationModel>(), object, myDocument, built.id);
        break;
    case XCAFDimTolObjects_DimensionType_Size_Radius:
        built.model =
            MakeSize(std::make_unique<RadiusAnnotationModel>(), object, myDocument, built.id);
        break;
    default:
        break;
    }
    return built;
}

} // namespace orvkit
