#include "WriteChoices.h"

namespace orvex::python {

WriteOptions WriteChoices(const std::optional<std::string>& up,
                          const std::optional<std::string>& fromUp, const std::string& unit,
                          std::optional<double> deflection, double angle)
{
    WriteOptions options;
    options.up = up.value_or("");
    options.fromUp = fromUp.value_or("");
    options.unit = unit;
    options.deflection = deflection.value_or(0.0);
    options.angle = angle;
    return options;
}

} // namespace orvex::python
