#include "Geometry/Document/APmiBuilder.h"

#include "Data/Kernel/Document.h"
#include "Geometry/Kernel/ValueText.h"
#include "Interop/Kernel/PmiFrame.h"
#include "Interop/Kernel/PmiWords.h"

#include <TDF_LabelSequence.hxx>
#include <TDF_Tool.hxx>
#include <XCAFDimTolObjects_DatumObject.hxx>
#include <XCAFDimTolObjects_GeomToleranceObject.hxx>
#include <XCAFDoc_Datum.hxx>
#include <XCAFDoc_GeomTolerance.hxx>

#include <algorithm>

namespace orvkit {

namespace {

std::string TextOf(const Handle(TCollection_HAsciiString)& text)
{
    return text.IsNull() ? std::string() : std::string(text->ToCString());
}

// A null word (no modifier) is kept as an empty text.
std::string WordOf(const char* word)
{
    return word != nullptr ? word : "";
}

// Where the text stands and the plane it lies in, as dimensions keep theirs.
template <class Object> void SetTextPlane(const Object& object, PmiContent& content)
{
    content.hasTextPoint = object.HasPointText();
    content.textPlane = gp_Ax2(object.GetPointTextAttach(), object.GetPlane().Direction());
}

PmiContent ToleranceContent(const XCAFDimTolObjects_GeomToleranceObject& object)
{
    PmiContent content;
    content.type = PmiWords::ToleranceType(object.GetType());
    content.hasValue = true;
    content.value = object.GetValue();
    content.zone = WordOf(PmiWords::ToleranceZone(object.GetTypeOfValue()));
    content.materialModifier =
        WordOf(PmiWords::MaterialModifier(object.GetMaterialRequirementModifier()));
    content.zoneModifier = WordOf(PmiWords::ZoneModifier(object.GetZoneModifier()));
    for (const XCAFDimTolObjects_GeomToleranceModif modifier : object.GetModifiers()) {
        content.modifiers.emplace_back(PmiWords::ToleranceModifier(modifier));
    }
    SetTextPlane(object, content);
    return content;
}

// A datum is known by its letter; each of its targets by the letter and the target's number.
PmiContent DatumContent(const XCAFDimTolObjects_DatumObject& object)
{
    PmiContent content;
    const std::string name = TextOf(object.GetName());
    if (object.IsDatumTarget()) {
        content.label = name + std::to_string(object.GetDatumTargetNumber());
        content.type = PmiWords::DatumTargetType(object.GetDatumTargetType());
        content.datumLabel = name;
    } else {
        content.label = name;
    }
    SetTextPlane(object, content);
    return content;
}

Handle(XCAFDimTolObjects_DatumObject) DatumObjectOf(const TDF_Label& label)
{
    Handle(XCAFDoc_Datum) datum;
    return label.FindAttribute(XCAFDoc_Datum::GetID(), datum)
               ? datum->GetObject()
               : Handle(XCAFDimTolObjects_DatumObject)();
}

} // namespace

APmiBuilder::APmiBuilder(Document* document, const Handle(XCAFDoc_DimTolTool)& dimTolTool,
                         const PartElements& parts)
    : myDocument(document), myDimTolTool(dimTolTool), myTargets(document, parts)
{
}

DrawableElement* APmiBuilder::CreateDatum(const TDF_Label& label)
{
    const Handle(XCAFDimTolObjects_DatumObject) object = DatumObjectOf(label);
    if (object.IsNull()) {
        return nullptr;
    }
    PmiContent content = DatumContent(*object);
    const EnumAnnotationKind kind =
        object->IsDatumTarget() ? AnnotationDatumTarget : AnnotationDatum;
    // The kernel's reader gives a datum one label for each tolerance that refers to it, all
    // with its letter; the part has one datum A, so the letter is what makes one element.
    std::string key = std::to_string(kind) + content.label;
    if (content.label.empty()) {
        TCollection_AsciiString entry;
        TDF_Tool::Entry(label, entry);
        key = entry.ToCString();
    }
    if (auto made = myDatums.find(key); made != myDatums.end()) {
        return myDocument->FindElementAs<DrawableElement>(made->second);
    }
    content.targets = CreateTargets(label);
    PmiElement* element = PmiElement::Create(myDocument, kind, std::move(content));
    myDatums.emplace(key, element->GetId());
    return element;
}

DrawableElement* APmiBuilder::CreateTolerance(const TDF_Label& label)
{
    Handle(XCAFDoc_GeomTolerance) tolerance;
    if (!label.FindAttribute(XCAFDoc_GeomTolerance::GetID(), tolerance) ||
        tolerance->GetObject().IsNull()) {
        return nullptr;
    }
    const Handle(XCAFDimTolObjects_GeomToleranceObject) object = tolerance->GetObject();
    PmiContent content = ToleranceContent(*object);
    content.targets = CreateTargets(label);
    const std::vector<PmiFrameDatum> frame = PmiFrame::Datums(myDimTolTool, label);
    content.datums = FrameDatums(frame);
    content.frame = PmiFrame::Text(*object, frame);
    return PmiElement::Create(myDocument, AnnotationGeometricTolerance, std::move(content));
}

std::vector<ObjectId> APmiBuilder::CreateTargets(const TDF_Label& label)
{
    TDF_LabelSequence first;
    TDF_LabelSequence second;
    myDimTolTool->GetRefShapeLabel(label, first, second);
    first.Append(second);
    std::vector<ObjectId> targets;
    for (const TDF_Label& target : first) {
        if (const ObjectId id = myTargets.Create(target); id.IsValid()) {
            targets.push_back(id);
        }
    }
    return targets;
}

std::vector<PmiDatumReference> APmiBuilder::FrameDatums(const std::vector<PmiFrameDatum>& frame)
{
    std::vector<PmiDatumReference> datums;
    for (const PmiFrameDatum& datum : frame) {
        DrawableElement* element = CreateDatum(datum.label);
        datums.push_back({datum.name, datum.modifiers,
                          element != nullptr ? element->GetId() : ObjectId::InvalidId});
    }
    return datums;
}

} // namespace orvkit
