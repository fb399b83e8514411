#pragma once

#include <StepBasic_Unit.hxx>

#include <optional>
#include <string>

namespace orvkit {

// A STEP unit as the short text a user property keeps beside its number, and back: an SI unit
// by its symbol with its prefix ("mm", "kg"), a conversion-based unit by its own name in lower
// case ("inch"), a derived unit by its parts ("kg/m3", "mm2", "N*m").
class StepUnitText {
public:
    // The unit's text; nothing when a part of it is missing or of no kind named above.
    static std::optional<std::string> Of(const StepBasic_Unit& unit);

    // A unit for `text` and the measure type a value in it is written as ("MASS_MEASURE"): SI
    // units and the inch, foot, pound and degree as such; any other text as a conversion-based
    // unit of that name, which reads back as the same text.
    static StepBasic_Unit Make(const std::string& text, std::string& measureType);
};

} // namespace orvkit
