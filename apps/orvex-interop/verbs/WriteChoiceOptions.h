#pragma once

#include "WriteChoices.h"

namespace CLI {
class App;
}

namespace orvex::cli {

// Adds the options every verb that writes models shares (--from, --to, --unit, --deflection,
// --angle) to `verb`, filling `choices`.
void AddWriteChoices(CLI::App& verb, WriteChoices& choices);

} // namespace orvex::cli
