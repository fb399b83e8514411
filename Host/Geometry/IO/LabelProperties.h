#pragma once

#include <TDF_Label.hxx>
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace orvkit {

// What a file says about a product, an occurrence or a body besides its shape, as the
// document keeps it on the label of what the file attaches it to:
// - user-defined properties in a TDataStd_NamedData: a text as a string, a number as a real
//   (as the file gives it) with its unit, when it has one, as the string of the same name, a
//   boolean as an integer 0 or 1;
// - a product's id as a TDataStd_AsciiString and its description as a TDataStd_Comment;
// - a part's material as a XCAFDoc_Material, its density in kg/m³ (0: none).
struct LabelProperty {
    enum class Type { Text, Number, Boolean };
    std::string name;
    Type type = Type::Text;
    std::string text;    // a text
    double number = 0.0; // a number
    std::string unit;    // a number's unit as the file names it ("kg", "mm"); empty for none
    bool boolean = false;
};

struct LabelMaterial {
    std::string name;
    std::string description;
    double density = 0.0; // kg/m³; 0 when the file gives none
};

// The label's properties, by name.
std::vector<LabelProperty> ReadLabelProperties(const TDF_Label& label);
// Adds or replaces one property of the label.
void WriteLabelProperty(const TDF_Label& label, const LabelProperty& property);

// The product's id and description; empty when the file gives none.
std::string LabelProductId(const TDF_Label& label);
std::string LabelDescription(const TDF_Label& label);

// The label's material; none when it has none.
std::optional<LabelMaterial> ReadLabelMaterial(const TDF_Label& label);

// A part's bodies: its named sub-shape labels that hold a solid, a shell or a group of them,
// in the labels' order.
std::vector<TDF_Label> BodyLabels(const TDF_Label& part);

// All of the above as JSON: {"id", "description", "material": {"name", "description",
// "density"}, "bodies": [name], "properties": {name: a string, a number, {"value", "unit"} or
// a boolean}}, each key only when the label has it; null when it has none.
nlohmann::json LabelFactsJson(const TDF_Label& label);
// Those facts for a listing:
// ` id="P-1" material="Steel" density=7850 kg/m3 bodies=["Body1"] "Mass"="2.5 kg"`; empty for
// null.
std::string FactsText(const nlohmann::json& facts);

} // namespace orvkit
