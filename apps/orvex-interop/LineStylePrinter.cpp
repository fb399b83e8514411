#include "LineStylePrinter.h"

#include "PrintFormat.h"

#include "Data/Kernel/LineStyleElement.h"

#include <fmt/format.h>

#include <map>

namespace orvex::cli {

using namespace orvkit;

namespace {

const char* TypeName(EnumLineStyleComponentType type)
{
    switch (type) {
    case EnumLineStyleComponentType::Dash:
        return "Dash";
    case EnumLineStyleComponentType::Gap:
        return "Gap";
    case EnumLineStyleComponentType::Dot:
        return "Dot";
    case EnumLineStyleComponentType::Pattern:
        return "Pattern";
    }
    return "Unknown";
}

// The pattern's settings that the file gave, in S, U, X, Y order.
std::vector<std::pair<const char*, double>> PatternSettings(const LineStyleComponent& component)
{
    std::vector<std::pair<const char*, double>> settings;
    const std::pair<const char*, const std::optional<double>*> all[] = {{"S", &component.GetS()},
                                                                        {"U", &component.GetU()},
                                                                        {"X", &component.GetX()},
                                                                        {"Y", &component.GetY()}};
    for (const auto& [key, value] : all) {
        if (value->has_value()) {
            settings.emplace_back(key, **value);
        }
    }
    return settings;
}

std::string DescribeComponent(const LineStyleComponent& component)
{
    const EnumLineStyleComponentType type = component.GetStyleType();
    std::string details;
    if (type == EnumLineStyleComponentType::Dash || type == EnumLineStyleComponentType::Gap) {
        details = Number(component.GetLength());
    } else if (type == EnumLineStyleComponentType::Pattern) {
        details =
            fmt::format("\"{}\" from \"{}\"", component.GetPattern(), component.GetTextName());
        for (const auto& [key, value] : PatternSettings(component)) {
            details += fmt::format(" {}={}", key, Number(value));
        }
    }
    return details.empty() ? TypeName(type) : fmt::format("{:<8}{}", TypeName(type), details);
}

nlohmann::json ComponentToJson(const LineStyleComponent& component)
{
    nlohmann::json json;
    json["type"] = TypeName(component.GetStyleType());
    json["length"] = component.GetLength();
    if (component.GetStyleType() == EnumLineStyleComponentType::Pattern) {
        json["pattern"] = component.GetPattern();
        json["textName"] = component.GetTextName();
        for (const auto& [key, value] : PatternSettings(component)) {
            json[key] = value;
        }
    }
    return json;
}

} // namespace

LineStylePrinter::LineStylePrinter(const Document& document)
{
    if (const ElementTable* table = document.FindTable(LineStyleElement::GetStaticClassId())) {
        for (ObjectId id : table->GetIds()) {
            if (const auto* style = document.FindElementAs<LineStyleElement>(id)) {
                myStyles.push_back(style);
            }
        }
    }
}

void LineStylePrinter::PrintText(std::ostream& out, const std::string& title) const
{
    out << title << "\n";
    for (const LineStyleElement* style : myStyles) {
        out << "*" << style->GetName() << "  " << style->GetDescription() << "\n";
        for (const auto& component : style->GetComponents()) {
            out << "    " << DescribeComponent(*component) << "\n";
        }
    }
    out << "Summary: " << Summary() << "\n";
}

nlohmann::json LineStylePrinter::ToJson() const
{
    nlohmann::json styles = nlohmann::json::array();
    for (const LineStyleElement* style : myStyles) {
        nlohmann::json components = nlohmann::json::array();
        for (const auto& component : style->GetComponents()) {
            components.push_back(ComponentToJson(*component));
        }
        styles.push_back({{"id", style->GetId().GetValue()},
                          {"name", style->GetName()},
                          {"description", style->GetDescription()},
                          {"components", components}});
    }
    return {{"lineStyles", styles}, {"summary", Summary()}};
}

std::string LineStylePrinter::Summary() const
{
    std::map<EnumLineStyleComponentType, size_t> counts;
    size_t total = 0;
    for (const LineStyleElement* style : myStyles) {
        for (const auto& component : style->GetComponents()) {
            ++counts[component->GetStyleType()];
            ++total;
        }
    }
    std::string text = Plural(myStyles.size(), "line style") + ", " + Plural(total, "component");
    const char* separator = " (";
    for (const auto& [type, count] : counts) {
        text += fmt::format("{}{} {}", separator, count, TypeName(type));
        separator = ", ";
    }
    return counts.empty() ? text : text + ")";
}

} // namespace orvex::cli
