#include "Geometry/Document/ADimensionBuilder.h"

#include "Annotation/AngularAnnotationModel.h"
#include "Annotation/AnnotationModel.h"
#include "Annotation/DiameterAnnotationModel.h"
#include "Annotation/LinearAnnotationModel.h"
#include "Annotation/PmiElement.h"
#include "Annotation/RadiusAnnotationModel.h"
#include "Annotation/SizeAnnotationModel.h"
#include "Data/Kernel/Document.h"
#include "Interop/Kernel/PmiWords.h"

#include <TDF_LabelSequence.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>

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

struct Deviation {
    EnumToleranceType type = ToleranceNone;
    double upper = 0;
    double lower = 0;
};

// Limits are kept as offsets from the value, as plus/minus tolerances are.
Deviation DeviationOf(const XCAFDimTolObjects_DimensionObject& object)
{
    if (object.IsDimWithRange()) {
        const double value = object.GetValue();
        return {ToleranceRange, object.GetUpperBound() - value, object.GetLowerBound() - value};
    }
    if (object.IsDimWithPlusMinusTolerance()) {
        return {TolerancePlusMinus, object.GetUpperTolValue(), object.GetLowerTolValue()};
    }
    return {};
}

void SetTolerance(AnnotationModel& model, const XCAFDimTolObjects_DimensionObject& object)
{
    const Deviation deviation = DeviationOf(object);
    model.SetToleranceType(deviation.type);
    if (deviation.type != ToleranceNone) {
        model.SetUpperTolerance(deviation.upper);
        model.SetLowerTolerance(deviation.lower);
    }
}

// Common labels only group other dimensions and presentations carry no meaning of their own;
// every other type says something about the part.
bool IsSemantic(XCAFDimTolObjects_DimensionType type)
{
    return type != XCAFDimTolObjects_DimensionType_CommonLabel &&
           type != XCAFDimTolObjects_DimensionType_DimensionPresentation;
}

// A dimension of a type none of the four annotation kinds draws: it keeps its type, value,
// tolerance and targets, so that nothing the file says about the part is lost.
DrawableElement* MakeOtherDimension(const XCAFDimTolObjects_DimensionObject& object,
                                    ObjectId target1, ObjectId target2, Document* document)
{
    PmiContent content;
    content.type = PmiWords::DimensionType(object.GetType());
    const Handle(TColStd_HArray1OfReal) values = object.GetValues();
    content.hasValue = !values.IsNull() && values->Length() > 0;
    content.value = content.hasValue ? object.GetValue() : 0;
    const Deviation deviation = DeviationOf(object);
    content.toleranceType = deviation.type;
    content.upperTolerance = deviation.upper;
    content.lowerTolerance = deviation.lower;
    content.hasTextPoint = object.HasTextPoint();
    content.textPlane = CoordinateOf(object);
    for (ObjectId target : {target1, target2}) {
        if (target.IsValid()) {
            content.targets.push_back(target);
        }
    }
    return PmiElement::Create(document, AnnotationDimension, std::move(content));
}

} // namespace

ADimensionBuilder::ADimensionBuilder(Document* document,
                                     const Handle(XCAFDoc_DimTolTool)& dimTolTool,
                                     const PartElements& parts)
    : myDocument(document), myDimTolTool(dimTolTool), myTargets(document, parts)
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
    const ObjectId id1 = myTargets.Create(target1);
    const ObjectId id2 = myTargets.Create(target2);
    BuiltModel built = CreateModel(*object);
    if (!built.model) {
        return IsSemantic(object->GetType()) ? MakeOtherDimension(*object, id1, id2, myDocument)
                                             : nullptr;
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
