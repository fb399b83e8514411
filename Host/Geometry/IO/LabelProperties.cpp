#include "LabelProperties.h"

#include "Geometry/IO/AsciiText.h"
#include "Geometry/IO/LabelName.h"

#include <TCollection_AsciiString.hxx>
#include <TCollection_ExtendedString.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_AsciiString.hxx>
#include <TDataStd_Comment.hxx>
#include <TDataStd_NamedData.hxx>
#include <TDataStd_TreeNode.hxx>
#include <TopoDS_Shape.hxx>
#include <XCAFDoc.hxx>
#include <XCAFDoc_Material.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <fmt/format.h>

#include <algorithm>

namespace orvkit {

namespace {

std::string Utf8(const TCollection_ExtendedString& text)
{
    return TCollection_AsciiString(text).ToCString();
}

TCollection_ExtendedString Extended(const std::string& text)
{
    return TCollection_ExtendedString(text.c_str(), Standard_True);
}

nlohmann::json ValueJson(const LabelProperty& property)
{
    switch (property.type) {
    case LabelProperty::Type::Number:
        return property.unit.empty()
                   ? nlohmann::json(property.number)
                   : nlohmann::json{{"value", property.number}, {"unit", property.unit}};
    case LabelProperty::Type::Boolean:
        return property.boolean;
    case LabelProperty::Type::Text:
        break;
    }
    return property.text;
}

} // namespace

std::vector<LabelProperty> ReadLabelProperties(const TDF_Label& label)
{
    std::vector<LabelProperty> properties;
    Handle(TDataStd_NamedData) data;
    if (label.IsNull() || !label.FindAttribute(TDataStd_NamedData::GetID(), data)) {
        return properties;
    }
    data->LoadDeferredData();
    if (data->HasReals()) {
        for (TDataStd_DataMapIteratorOfDataMapOfStringReal it(data->GetRealsContainer()); it.More();
             it.Next()) {
            LabelProperty property;
            property.name = Utf8(it.Key());
            property.type = LabelProperty::Type::Number;
            property.number = it.Value();
            if (data->HasString(it.Key())) {
                property.unit = Utf8(data->GetString(it.Key()));
            }
            properties.push_back(std::move(property));
        }
    }
    if (data->HasIntegers()) {
        for (TColStd_DataMapIteratorOfDataMapOfStringInteger it(data->GetIntegersContainer());
             it.More(); it.Next()) {
            LabelProperty property;
            property.name = Utf8(it.Key());
            property.type = LabelProperty::Type::Boolean;
            property.boolean = it.Value() != 0;
            properties.push_back(std::move(property));
        }
    }
    if (data->HasStrings()) {
        for (TDataStd_DataMapIteratorOfDataMapOfStringString it(data->GetStringsContainer());
             it.More(); it.Next()) {
            // A string under a number's name is that number's unit.
            if (!data->HasReal(it.Key())) {
                LabelProperty property;
                property.name = Utf8(it.Key());
                property.text = Utf8(it.Value());
                properties.push_back(std::move(property));
            }
        }
    }
    std::sort(properties.begin(), properties.end(),
              [](const LabelProperty& a, const LabelProperty& b) { return a.name < b.name; });
    return properties;
}

void WriteLabelProperty(const TDF_Label& label, const LabelProperty& property)
{
    const Handle(TDataStd_NamedData) data = TDataStd_NamedData::Set(label);
    const TCollection_ExtendedString name = Extended(property.name);
    switch (property.type) {
    case LabelProperty::Type::Text:
        data->SetString(name, Extended(property.text));
        break;
    case LabelProperty::Type::Number:
        data->SetReal(name, property.number);
        if (!property.unit.empty()) {
            data->SetString(name, Extended(property.unit));
        }
        break;
    case LabelProperty::Type::Boolean:
        data->SetInteger(name, property.boolean ? 1 : 0);
        break;
    }
}

std::string LabelProductId(const TDF_Label& label)
{
    Handle(TDataStd_AsciiString) id;
    return !label.IsNull() && label.FindAttribute(TDataStd_AsciiString::GetID(), id)
               ? std::string(id->Get().ToCString())
               : std::string();
}

std::string LabelDescription(const TDF_Label& label)
{
    Handle(TDataStd_Comment) comment;
    return !label.IsNull() && label.FindAttribute(TDataStd_Comment::GetID(), comment)
               ? Utf8(comment->Get())
               : std::string();
}

std::optional<LabelMaterial> ReadLabelMaterial(const TDF_Label& label)
{
    Handle(TDataStd_TreeNode) node;
    Handle(XCAFDoc_Material) material;
    if (label.IsNull() || !label.FindAttribute(XCAFDoc::MaterialRefGUID(), node) ||
        !node->HasFather() ||
        !node->Father()->Label().FindAttribute(XCAFDoc_Material::GetID(), material) ||
        AsciiText(material->GetName()).empty()) {
        return std::nullopt;
    }
    return LabelMaterial{AsciiText(material->GetName()), AsciiText(material->GetDescription()),
                         material->GetDensity()};
}

std::vector<TDF_Label> BodyLabels(const TDF_Label& part)
{
    std::vector<TDF_Label> bodies;
    TDF_LabelSequence subShapes;
    XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
    for (const TDF_Label& sub : subShapes) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(sub);
        // Faces, edges and vertices have labels of their own only to carry a colour.
        if (!shape.IsNull() && shape.ShapeType() <= TopAbs_SHELL && !LabelName(sub).empty()) {
            bodies.push_back(sub);
        }
    }
    return bodies;
}

nlohmann::json LabelFactsJson(const TDF_Label& label)
{
    nlohmann::json facts = nlohmann::json::object();
    if (const std::string id = LabelProductId(label); !id.empty()) {
        facts["id"] = id;
    }
    if (const std::string description = LabelDescription(label); !description.empty()) {
        facts["description"] = description;
    }
    if (const auto material = ReadLabelMaterial(label)) {
        facts["material"] = {{"name", material->name},
                             {"description", material->description},
                             {"density", material->density > 0.0 ? nlohmann::json(material->density)
                                                                 : nlohmann::json()}};
    }
    for (const TDF_Label& body : BodyLabels(label)) {
        facts["bodies"].push_back(LabelName(body));
    }
    const std::vector<LabelProperty> properties = ReadLabelProperties(label);
    for (const LabelProperty& property : properties) {
        facts["properties"][property.name] = ValueJson(property);
    }
    return facts.empty() ? nlohmann::json() : facts;
}

std::string FactsText(const nlohmann::json& facts)
{
    if (!facts.is_object()) {
        return {};
    }
    std::string text;
    for (const char* key : {"id", "description"}) {
        if (facts.contains(key)) {
            text += fmt::format(" {}=\"{}\"", key, facts[key].get<std::string>());
        }
    }
    if (facts.contains("material")) {
        const nlohmann::json& material = facts["material"];
        text += fmt::format(" material=\"{}\"", material["name"].get<std::string>());
        if (material["density"].is_number()) {
            text += fmt::format(" density={:g} kg/m3", material["density"].get<double>());
        }
    }
    if (facts.contains("bodies")) {
        text += " bodies=" + facts["bodies"].dump();
    }
    const nlohmann::json properties = facts.value("properties", nlohmann::json::object());
    for (const auto& [name, value] : properties.items()) {
        const std::string shown = value.is_string() ? value.get<std::string>()
                                  : value.is_object()
                                      ? fmt::format("{:g} {}", value["value"].get<double>(),
                                                    value["unit"].get<std::string>())
                                      : value.dump();
        text += fmt::format(" \"{}\"=\"{}\"", name, shown);
    }
    return text;
}

} // namespace orvkit
