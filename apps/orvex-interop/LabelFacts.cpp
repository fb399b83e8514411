#include "LabelFacts.h"

#include "Geometry/IO/LabelProperties.h"

#include <fmt/format.h>

namespace orvex::cli {

using orvkit::LabelProperty;

namespace {

std::string ValueText(const LabelProperty& property)
{
    switch (property.type) {
    case LabelProperty::Type::Number:
        return property.unit.empty() ? fmt::format("{}", property.number)
                                     : fmt::format("{} {}", property.number, property.unit);
    case LabelProperty::Type::Boolean:
        return property.boolean ? "true" : "false";
    case LabelProperty::Type::Text:
        break;
    }
    return property.text;
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

std::string LabelFactsText(const TDF_Label& label)
{
    std::string text;
    if (const std::string id = orvkit::LabelProductId(label); !id.empty()) {
        text += fmt::format(" id=\"{}\"", id);
    }
    if (const std::string description = orvkit::LabelDescription(label); !description.empty()) {
        text += fmt::format(" description=\"{}\"", description);
    }
    if (const auto material = orvkit::ReadLabelMaterial(label)) {
        text += fmt::format(" material=\"{}\"", material->name);
        if (material->density > 0.0) {
            text += fmt::format(" density={:g} kg/m3", material->density);
        }
    }
    for (const LabelProperty& property : orvkit::ReadLabelProperties(label)) {
        text += fmt::format(" \"{}\"=\"{}\"", property.name, ValueText(property));
    }
    return text;
}

nlohmann::json LabelFactsJson(const TDF_Label& label)
{
    nlohmann::json facts = nlohmann::json::object();
    if (const std::string id = orvkit::LabelProductId(label); !id.empty()) {
        facts["id"] = id;
    }
    if (const std::string description = orvkit::LabelDescription(label); !description.empty()) {
        facts["description"] = description;
    }
    if (const auto material = orvkit::ReadLabelMaterial(label)) {
        facts["material"] = {{"name", material->name},
                             {"description", material->description},
                             {"density", material->density > 0.0 ? nlohmann::json(material->density)
                                                                 : nlohmann::json()}};
    }
    const std::vector<LabelProperty> properties = orvkit::ReadLabelProperties(label);
    for (const LabelProperty& property : properties) {
        facts["properties"][property.name] = ValueJson(property);
    }
    return facts.empty() ? nlohmann::json() : facts;
}

} // namespace orvex::cli
