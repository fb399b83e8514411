#pragma once

#include "orvex/Write.h"

#include <optional>
#include <string>

namespace orvex::python {

// How a file is written, from the keyword arguments every writing call shares: up, from_up
// (None: z-up), unit, deflection (None: 0.1 % of each part) and angle.
WriteOptions WriteChoices(const std::optional<std::string>& up,
                          const std::optional<std::string>& fromUp, const std::string& unit,
                          std::optional<double> deflection, double angle);

} // namespace orvex::python
