#pragma once

#include <functional>
#include <string>

namespace orvex {

// Hears how a long call goes: `step` names what is being done ("Reading STEP"), `fraction`
// runs from 0 to 1 within it. Returning false asks the call to stop; it then fails with the
// reason "cancelled". Called on the thread that runs the call.
using ProgressFunction = std::function<bool(const std::string& step, double fraction)>;

} // namespace orvex
