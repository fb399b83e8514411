#pragma once

#include <string>

namespace orvkit {

// The length units that the model-unit setting names: "mm", "cm", "m", "km", "um", "in" (or
// "inch"), "ft", "mi", "mil" and "uin", compared case-insensitively.
struct LengthUnit {
    // Metres in one `unit` (0.001 for "mm"); 0 when the name is not one of the units above.
    static double GetMetres(const std::string& unit);
    // The value OpenCASCADE's STEP and IGES translators take for the unit in their
    // `xstep.cascade.unit` parameter ("MM"); null when the name is not one of the units above.
    static const char* GetTranslatorName(const std::string& unit);
    // The one wording of a unit that is not one of the above, for every reader, writer and
    // verb: "unknown unit 'furlong' (mm, cm, m, km, um, in, ft, mi, mil or uin)".
    static std::string UnknownText(const std::string& unit);
};

} // namespace orvkit
