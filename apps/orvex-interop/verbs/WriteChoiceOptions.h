#pragma once

#include "orvex/Write.h"

namespace CLI {
class App;
}

namespace orvex::cli {

// Adds the options every verb that writes models shares (--from, --to, --unit, --deflection,
// --angle) to `verb`, filling `options`.
void AddWriteChoices(CLI::App& verb, WriteOptions& options);

} // namespace orvex::cli
