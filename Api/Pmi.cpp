#include "ModelData.h"

#include "orvex/Pmi.h"

#include "Geometry/IO/LabelName.h"
#include "Interop/Kernel/PmiFrame.h"
#include "Interop/Kernel/PmiWords.h"

#include <TDF_LabelSequence.hxx>
#include <TDF_Tool.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <XCAFDimTolObjects_DatumObject.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDimTolObjects_GeomToleranceObject.hxx>
#include <XCAFDoc_Datum.hxx>
#include <XCAFDoc_DimTolTool.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <XCAFDoc_GeomTolerance.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <utility>

namespace orvex {

namespace {

namespace PmiWords = orvkit::PmiWords;

const char* SubShapeWord(TopAbs_ShapeEnum type)
{
    static const char* const kWords[] = {"compound", "compsolid", "solid", "shell",
                                         "face",     "wire",      "edge",  "vertex"};
    return type >= TopAbs_COMPOUND && type <= TopAbs_VERTEX ? kWords[type] : "shape";
}

// Names targets as "PART face 12", keeping each part's sub-shape maps for the next target.
class TargetNames {
public:
    std::string Of(const TDF_Label& label)
    {
        TDF_Label part = label;
        while (!part.Father().IsNull() && XCAFDoc_ShapeTool::IsSubShape(part)) {
            part = part.Father();
        }
        const std::string name = detail::Segment(orvkit::LabelName(part));
        const TopoDS_Shape sub = XCAFDoc_ShapeTool::GetShape(label);
        if (part == label || sub.IsNull()) {
            return name;
        }
        TCollection_AsciiString entry;
        TDF_Tool::Entry(part, entry);
        TopTools_IndexedMapOfShape& map = myMaps[{entry.ToCString(), sub.ShapeType()}];
        if (map.IsEmpty()) {
            TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(part), sub.ShapeType(), map);
        }
        return fmt::format("{} {} {}", name, SubShapeWord(sub.ShapeType()), map.FindIndex(sub) - 1);
    }

    // Every target of a dimension, tolerance or datum label, both lists in order.
    std::vector<std::string> OfItem(const Handle(XCAFDoc_DimTolTool)& tool, const TDF_Label& item)
    {
        TDF_LabelSequence first;
        TDF_LabelSequence second;
        tool->GetRefShapeLabel(item, first, second);
        std::vector<std::string> names;
        for (const TDF_LabelSequence* side : {&first, &second}) {
            for (const TDF_Label& target : *side) {
                names.push_back(Of(target));
            }
        }
        return names;
    }

private:
    std::map<std::pair<std::string, TopAbs_ShapeEnum>, TopTools_IndexedMapOfShape> myMaps;
};

// "H7" for a hole's class, "g6" for a shaft's.
std::string ToleranceClassOf(const XCAFDimTolObjects_DimensionObject& object)
{
    static const char* const kVariances[] = {"",  "A", "B",  "C", "CD", "D", "E",  "EF", "F", "FG",
                                             "G", "H", "JS", "J", "K",  "M", "N",  "P",  "R", "S",
                                             "T", "U", "V",  "X", "Y",  "Z", "ZA", "ZB", "ZC"};
    Standard_Boolean hole = Standard_False;
    XCAFDimTolObjects_DimensionFormVariance variance = XCAFDimTolObjects_DimensionFormVariance_None;
    XCAFDimTolObjects_DimensionGrade grade = XCAFDimTolObjects_DimensionGrade_IT01;
    if (!object.GetClassOfTolerance(hole, variance, grade) || variance < 0 ||
        static_cast<size_t>(variance) >= std::size(kVariances)) {
        return std::string();
    }
    std::string text = kVariances[variance];
    if (!hole) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    // The grades run IT01, IT0, IT1, ... IT18.
    return text + (grade == XCAFDimTolObjects_DimensionGrade_IT01
                       ? std::string("01")
                       : std::to_string(static_cast<int>(grade) - 1));
}

const char* QualifierOf(const XCAFDimTolObjects_DimensionObject& object)
{
    switch (object.HasQualifier() ? object.GetQualifier()
                                  : XCAFDimTolObjects_DimensionQualifier_None) {
    case XCAFDimTolObjects_DimensionQualifier_Min:
        return "min";
    case XCAFDimTolObjects_DimensionQualifier_Max:
        return "max";
    case XCAFDimTolObjects_DimensionQualifier_Avg:
        return "avg";
    default:
        return "";
    }
}

PmiDimension DimensionOf(const XCAFDimTolObjects_DimensionObject& object)
{
    PmiDimension dimension;
    dimension.kind = PmiWords::DimensionType(object.GetType());
    dimension.value = object.GetValue();
    if (object.IsDimWithRange()) {
        dimension.limits = std::array<double, 2>{object.GetLowerBound(), object.GetUpperBound()};
    } else if (object.IsDimWithPlusMinusTolerance()) {
        // The kernel keeps the lower deviation as a magnitude.
        dimension.upper = object.GetUpperTolValue();
        dimension.lower = -object.GetLowerTolValue();
    }
    dimension.toleranceClass = ToleranceClassOf(object);
    dimension.qualifier = QualifierOf(object);
    object.GetNbOfDecimalPlaces(dimension.decimals[0], dimension.decimals[1]);
    return dimension;
}

void ReadDimensions(const Handle(XCAFDoc_DimTolTool)& tool, TargetNames& names, PmiList& list)
{
    TDF_LabelSequence labels;
    tool->GetDimensionLabels(labels);
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Dimension) attribute;
        if (!label.FindAttribute(XCAFDoc_Dimension::GetID(), attribute) ||
            attribute->GetObject().IsNull()) {
            continue;
        }
        const Handle(XCAFDimTolObjects_DimensionObject) object = attribute->GetObject();
        // A common label carries a note and a presentation only its drawing: neither is a
        // dimension with a value.
        if (object->GetType() == XCAFDimTolObjects_DimensionType_CommonLabel ||
            object->GetType() == XCAFDimTolObjects_DimensionType_DimensionPresentation) {
            continue;
        }
        PmiDimension dimension = DimensionOf(*object);
        dimension.targets = names.OfItem(tool, label);
        list.dimensions.push_back(std::move(dimension));
    }
}

std::string TextOf(const Handle(TCollection_HAsciiString)& text)
{
    return text.IsNull() ? std::string() : std::string(text->ToCString());
}

// The datums of one tolerance's frame, by place.
std::vector<PmiDatumReference> DatumsOf(const std::vector<orvkit::PmiFrameDatum>& frame)
{
    std::vector<PmiDatumReference> datums;
    for (const orvkit::PmiFrameDatum& datum : frame) {
        datums.push_back({datum.name, datum.place, datum.modifiers});
    }
    return datums;
}

std::vector<std::string> ToleranceModifiersOf(const XCAFDimTolObjects_GeomToleranceObject& object)
{
    std::vector<std::string> modifiers;
    if (const char* material =
            PmiWords::MaterialModifier(object.GetMaterialRequirementModifier())) {
        modifiers.push_back(material);
    }
    if (const char* zone = PmiWords::ZoneModifier(object.GetZoneModifier())) {
        modifiers.push_back(zone);
    }
    for (const XCAFDimTolObjects_GeomToleranceModif modifier : object.GetModifiers()) {
        modifiers.push_back(PmiWords::ToleranceModifier(modifier));
    }
    return modifiers;
}

PmiTolerance ToleranceOf(const XCAFDimTolObjects_GeomToleranceObject& object)
{
    PmiTolerance tolerance;
    tolerance.type = PmiWords::ToleranceType(object.GetType());
    tolerance.value = object.GetValue();
    if (const char* zone = PmiWords::ToleranceZone(object.GetTypeOfValue())) {
        tolerance.zone = zone;
    }
    tolerance.modifiers = ToleranceModifiersOf(object);
    if (object.GetZoneModifier() != XCAFDimTolObjects_GeomToleranceZoneModif_None) {
        tolerance.zoneValue = object.GetValueOfZoneModifier();
    }
    return tolerance;
}

void ReadTolerances(const Handle(XCAFDoc_DimTolTool)& tool, TargetNames& names, PmiList& list)
{
    TDF_LabelSequence labels;
    tool->GetGeomToleranceLabels(labels);
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_GeomTolerance) attribute;
        if (!label.FindAttribute(XCAFDoc_GeomTolerance::GetID(), attribute) ||
            attribute->GetObject().IsNull()) {
            continue;
        }
        const Handle(XCAFDimTolObjects_GeomToleranceObject) object = attribute->GetObject();
        PmiTolerance tolerance = ToleranceOf(*object);
        const std::vector<orvkit::PmiFrameDatum> frame = orvkit::PmiFrame::Datums(tool, label);
        tolerance.datums = DatumsOf(frame);
        tolerance.targets = names.OfItem(tool, label);
        tolerance.frame = orvkit::PmiFrame::Text(*object, frame);
        list.tolerances.push_back(std::move(tolerance));
    }
}

// Adds what is not yet in `into`, keeping the order.
void Merge(std::vector<std::string>& into, const std::vector<std::string>& more)
{
    for (const std::string& item : more) {
        if (std::find(into.begin(), into.end(), item) == into.end()) {
            into.push_back(item);
        }
    }
}

// A datum the file states once for each frame that names it is listed once, with the targets
// of all its statements; so is a datum target.
void ReadDatums(const Handle(XCAFDoc_DimTolTool)& tool, TargetNames& names, PmiList& list)
{
    TDF_LabelSequence labels;
    tool->GetDatumLabels(labels);
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Datum) attribute;
        if (!label.FindAttribute(XCAFDoc_Datum::GetID(), attribute) ||
            attribute->GetObject().IsNull()) {
            continue;
        }
        const Handle(XCAFDimTolObjects_DatumObject) object = attribute->GetObject();
        const std::string name = TextOf(object->GetName());
        const std::vector<std::string> targets = names.OfItem(tool, label);
        if (object->IsDatumTarget()) {
            PmiDatumTarget target{fmt::format("{}{}", name, object->GetDatumTargetNumber()),
                                  PmiWords::DatumTargetType(object->GetDatumTargetType()),
                                  name,
                                  {}};
            auto same =
                std::find_if(list.datumTargets.begin(), list.datumTargets.end(),
                             [&](const PmiDatumTarget& t) { return t.label == target.label; });
            Merge(same == list.datumTargets.end()
                      ? list.datumTargets.emplace_back(std::move(target)).targets
                      : same->targets,
                  targets);
            continue;
        }
        auto same = std::find_if(list.datums.begin(), list.datums.end(),
                                 [&](const PmiDatum& d) { return d.label == name; });
        Merge(same == list.datums.end() ? list.datums.emplace_back(PmiDatum{name, {}}).targets
                                        : same->targets,
              targets);
    }
}

} // namespace

PmiList ReadPmi(const Model& model)
{
    detail::ModelData& data = detail::ModelAccess::Data(model);
    const std::lock_guard<std::recursive_mutex> lock(data.lock);
    return detail::ReadPmiOf(*data.document, data.source);
}

namespace detail {

PmiList ReadPmiOf(const orvkit::XdeDocumentImpl& document, const std::string& file)
{
    PmiList list;
    list.file = file;
    const Handle(XCAFDoc_DimTolTool)& tool = document.dimTolTool;
    if (tool.IsNull()) {
        return list;
    }
    TargetNames names;
    ReadDimensions(tool, names, list);
    ReadTolerances(tool, names, list);
    ReadDatums(tool, names, list);
    return list;
}

} // namespace detail

namespace {

nlohmann::json Optional(const std::optional<double>& value)
{
    return value ? nlohmann::json(*value) : nlohmann::json();
}

nlohmann::json Text(const std::string& text)
{
    return text.empty() ? nlohmann::json() : nlohmann::json(text);
}

nlohmann::json DimensionJson(const PmiDimension& dimension)
{
    return {{"kind", dimension.kind},
            {"value", Optional(dimension.value)},
            {"upper", Optional(dimension.upper)},
            {"lower", Optional(dimension.lower)},
            {"limits", dimension.limits ? nlohmann::json(*dimension.limits) : nlohmann::json()},
            {"class", Text(dimension.toleranceClass)},
            {"qualifier", Text(dimension.qualifier)},
            {"decimals", dimension.decimals},
            {"targets", dimension.targets}};
}

nlohmann::json ToleranceJson(const PmiTolerance& tolerance)
{
    nlohmann::json datums = nlohmann::json::array();
    for (const PmiDatumReference& datum : tolerance.datums) {
        datums.push_back(
            {{"label", datum.label}, {"place", datum.place}, {"modifiers", datum.modifiers}});
    }
    return {{"type", tolerance.type},
            {"value", Optional(tolerance.value)},
            {"zone", Text(tolerance.zone)},
            {"modifiers", tolerance.modifiers},
            {"zone_value", Optional(tolerance.zoneValue)},
            {"datums", datums},
            {"targets", tolerance.targets},
            {"frame", tolerance.frame}};
}

} // namespace

nlohmann::json PmiList::ToJson() const
{
    nlohmann::json json = {{"file", file},
                           {"dimensions", nlohmann::json::array()},
                           {"tolerances", nlohmann::json::array()},
                           {"datums", nlohmann::json::array()},
                           {"datum_targets", nlohmann::json::array()}};
    for (const PmiDimension& dimension : dimensions) {
        json["dimensions"].push_back(DimensionJson(dimension));
    }
    for (const PmiTolerance& tolerance : tolerances) {
        json["tolerances"].push_back(ToleranceJson(tolerance));
    }
    for (const PmiDatum& datum : datums) {
        json["datums"].push_back({{"label", datum.label}, {"targets", datum.targets}});
    }
    for (const PmiDatumTarget& target : datumTargets) {
        json["datum_targets"].push_back({{"label", target.label},
                                         {"type", target.type},
                                         {"datum", target.datum},
                                         {"targets", target.targets}});
    }
    return json;
}

} // namespace orvex
