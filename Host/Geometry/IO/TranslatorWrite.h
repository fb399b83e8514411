#pragma once

#include "Common/Core/ParameterDict.h"

#include <string>

namespace orvkit {

class StaticSettingsScope;

// What the STEP and IGES shape writers share: how the model unit reaches the translator.

// Makes the translator take the shape's lengths in the settings' model unit, and gives the
// unit's size in millimetres. Zero, with the reason, when the unit is not one the translators
// know.
double SetWriteModelUnit(StaticSettingsScope& scope, ParameterDict* settings, std::string& reason);

// The reason a writer gives for a model unit that LengthUnit does not know.
std::string UnknownModelUnit(const std::string& unit);

} // namespace orvkit
