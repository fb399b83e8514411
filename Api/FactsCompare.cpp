#include "FactsCompare.h"

#include "DifferenceWords.h"
#include "Geometry/IO/LabelName.h"
#include "Geometry/IO/LabelProperties.h"

#include <TDF_LabelSequence.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace orvex::detail {

using orvkit::LabelMaterial;
using orvkit::LabelProperty;

namespace {

bool NearWithin(double a, double b, double tolerance)
{
    return std::abs(a - b) <= tolerance * std::max({std::abs(a), std::abs(b), 1e-12});
}

std::string Quoted(const std::string& text)
{
    return "'" + text + "'";
}

std::string MaterialText(const std::optional<LabelMaterial>& material)
{
    if (!material) {
        return kNone;
    }
    return material->density > 0.0
               ? fmt::format("'{}' {:g} kg/m3", material->name, material->density)
               : Quoted(material->name);
}

bool SameMaterial(const std::optional<LabelMaterial>& a, const std::optional<LabelMaterial>& b,
                  double tolerance)
{
    if (!a || !b) {
        return !a && !b;
    }
    return a->name == b->name && a->description == b->description &&
           (a->density > 0.0) == (b->density > 0.0) &&
           NearWithin(a->density, b->density, tolerance);
}

std::string ValueText(const LabelProperty& property)
{
    switch (property.type) {
    case LabelProperty::Type::Number:
        return fmt::format("{:g}{}{}", property.number, property.unit.empty() ? "" : " ",
                           property.unit);
    case LabelProperty::Type::Boolean:
        return property.boolean ? "true" : "false";
    case LabelProperty::Type::Text:
        break;
    }
    return Quoted(property.text);
}

bool SameValue(const LabelProperty& a, const LabelProperty& b, double tolerance)
{
    if (a.type != b.type) {
        return false;
    }
    switch (a.type) {
    case LabelProperty::Type::Number:
        return a.unit == b.unit && NearWithin(a.number, b.number, tolerance);
    case LabelProperty::Type::Boolean:
        return a.boolean == b.boolean;
    case LabelProperty::Type::Text:
        break;
    }
    return a.text == b.text;
}

// The names of a part's named solids and shells, sorted, "; " between them.
std::string BodyNames(const TDF_Label& part)
{
    std::vector<std::string> names;
    TDF_LabelSequence subShapes;
    XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
    for (const TDF_Label& sub : subShapes) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(sub);
        std::string name = orvkit::LabelName(sub);
        if (!shape.IsNull() && shape.ShapeType() <= TopAbs_SHELL && !name.empty()) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : "; ") + Quoted(name);
    }
    return text.empty() ? kNone : text;
}

// A product's id; its name when it has none, as a writer that is given no id uses the name.
std::string IdOf(const TDF_Label& product)
{
    const std::string id = orvkit::LabelProductId(product);
    return id.empty() ? orvkit::LabelName(product) : id;
}

void CompareText(const std::string& a, const std::string& b, const char* what,
                 const std::string& path, std::vector<Difference>& differences)
{
    if (a != b) {
        differences.push_back(
            {path, what, a.empty() ? kNone : Quoted(a), b.empty() ? kNone : Quoted(b)});
    }
}

} // namespace

std::vector<Difference> FactsCompare::CompareProducts(const TDF_Label& a, const TDF_Label& b,
                                                      const std::string& path) const
{
    std::vector<Difference> differences;
    CompareText(IdOf(a), IdOf(b), "product id", path, differences);
    CompareText(orvkit::LabelDescription(a), orvkit::LabelDescription(b), "description", path,
                differences);
    const std::optional<LabelMaterial> materialA = orvkit::ReadLabelMaterial(a);
    const std::optional<LabelMaterial> materialB = orvkit::ReadLabelMaterial(b);
    if (!SameMaterial(materialA, materialB, myTolerance)) {
        differences.push_back({path, "material", MaterialText(materialA), MaterialText(materialB)});
    }
    if (const std::string bodiesA = BodyNames(a), bodiesB = BodyNames(b); bodiesA != bodiesB) {
        differences.push_back({path, "bodies", bodiesA, bodiesB});
    }
    CompareProperties(a, b, path, differences);
    return differences;
}

std::vector<Difference> FactsCompare::CompareInstances(const TDF_Label& a, const TDF_Label& b,
                                                       const std::string& path) const
{
    std::vector<Difference> differences;
    CompareProperties(a, b, path, differences);
    return differences;
}

void FactsCompare::CompareProperties(const TDF_Label& a, const TDF_Label& b,
                                     const std::string& path,
                                     std::vector<Difference>& differences) const
{
    std::map<std::string, std::pair<const LabelProperty*, const LabelProperty*>> byName;
    const std::vector<LabelProperty> propertiesA = orvkit::ReadLabelProperties(a);
    const std::vector<LabelProperty> propertiesB = orvkit::ReadLabelProperties(b);
    for (const LabelProperty& property : propertiesA) {
        byName[property.name].first = &property;
    }
    for (const LabelProperty& property : propertiesB) {
        byName[property.name].second = &property;
    }
    for (const auto& [name, pair] : byName) {
        const auto [first, second] = pair;
        if (first == nullptr || second == nullptr || !SameValue(*first, *second, myTolerance)) {
            differences.push_back({path, "property " + Quoted(name),
                                   first != nullptr ? ValueText(*first) : kNone,
                                   second != nullptr ? ValueText(*second) : kNone});
        }
    }
}

} // namespace orvex::detail
