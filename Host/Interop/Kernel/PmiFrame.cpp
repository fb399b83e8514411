#include "PmiFrame.h"

#include "Geometry/Kernel/ValueText.h"
#include "Interop/Kernel/PmiWords.h"

#include <TDF_LabelSequence.hxx>
#include <XCAFDimTolObjects_DatumObject.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDimTolObjects_GeomToleranceObject.hxx>
#include <XCAFDoc_Datum.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_GeomTolerance.hxx>

#include <algorithm>

namespace orvkit {

namespace {

// Appends the symbol a frame shows for a modifier; one it has no symbol for is drawn outside
// the frame ("all around") or not at all, and is left to the item's own list.
void AddSymbol(std::string& text, const char* word, const char* separator = " ")
{
    if (word == nullptr) {
        return;
    }
    const std::string symbol = PmiWords::ModifierSymbol(word);
    if (symbol != word) {
        text += separator + symbol;
    }
}

} // namespace

std::vector<PmiFrameDatum> PmiFrame::Datums(const Handle(XCAFDoc_DimTolTool)& tool,
                                            const TDF_Label& tolerance)
{
    std::vector<PmiFrameDatum> datums;
    TDF_LabelSequence labels;
    tool->GetDatumWithObjectOfTolerLabels(tolerance, labels);
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Datum) attribute;
        if (!label.FindAttribute(XCAFDoc_Datum::GetID(), attribute) ||
            attribute->GetObject().IsNull()) {
            continue;
        }
        const Handle(XCAFDimTolObjects_DatumObject) object = attribute->GetObject();
        PmiFrameDatum datum{label, {}, object->GetPosition(), {}, {}};
        if (!object->GetName().IsNull()) {
            datum.name = object->GetName()->ToCString();
        }
        for (const XCAFDimTolObjects_DatumSingleModif modifier : object->GetModifiers()) {
            datum.modifiers.emplace_back(PmiWords::DatumModifier(modifier));
            AddSymbol(datum.symbols, PmiWords::DatumModifier(modifier), "");
        }
        datums.push_back(std::move(datum));
    }
    std::stable_sort(
        datums.begin(), datums.end(),
        [](const PmiFrameDatum& a, const PmiFrameDatum& b) { return a.place < b.place; });
    return datums;
}

std::string PmiFrame::Text(const XCAFDimTolObjects_GeomToleranceObject& tolerance,
                           const std::vector<PmiFrameDatum>& datums)
{
    std::string text = PmiWords::ToleranceSymbol(tolerance.GetType());
    text += text.empty() ? "" : " ";
    text += PmiWords::ZoneSymbol(tolerance.GetTypeOfValue()) + Number(tolerance.GetValue());
    AddSymbol(text, PmiWords::MaterialModifier(tolerance.GetMaterialRequirementModifier()));
    AddSymbol(text, PmiWords::ZoneModifier(tolerance.GetZoneModifier()));
    for (const XCAFDimTolObjects_GeomToleranceModif modifier : tolerance.GetModifiers()) {
        AddSymbol(text, PmiWords::ToleranceModifier(modifier));
    }
    const PmiFrameDatum* previous = nullptr;
    for (const PmiFrameDatum& datum : datums) {
        text += previous != nullptr && previous->place == datum.place ? "-" : " | ";
        text += datum.name + datum.symbols;
        previous = &datum;
    }
    return text;
}

std::string PmiFrame::Describe(const TDF_Label& label)
{
    Handle(XCAFDoc_GeomTolerance) tolerance;
    if (label.FindAttribute(XCAFDoc_GeomTolerance::GetID(), tolerance) &&
        !tolerance->GetObject().IsNull()) {
        return Text(*tolerance->GetObject(),
                    Datums(XCAFDoc_DocumentTool::DimTolTool(label), label));
    }
    Handle(XCAFDoc_Dimension) dimension;
    if (label.FindAttribute(XCAFDoc_Dimension::GetID(), dimension) &&
        !dimension->GetObject().IsNull()) {
        const Handle(XCAFDimTolObjects_DimensionObject) object = dimension->GetObject();
        return std::string(PmiWords::DimensionType(object->GetType())) + " " +
               Number(object->GetValue());
    }
    Handle(XCAFDoc_Datum) datum;
    if (!label.FindAttribute(XCAFDoc_Datum::GetID(), datum) || datum->GetObject().IsNull()) {
        return std::string();
    }
    const Handle(XCAFDimTolObjects_DatumObject) object = datum->GetObject();
    const std::string name = object->GetName().IsNull() ? "" : object->GetName()->ToCString();
    if (!object->IsDatumTarget()) {
        return "datum " + name;
    }
    return "datum target " + name + std::to_string(object->GetDatumTargetNumber()) + " (" +
           PmiWords::DatumTargetType(object->GetDatumTargetType()) + ")";
}

} // namespace orvkit
