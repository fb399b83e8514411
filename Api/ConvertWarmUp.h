#pragma once

#include "orvex/Write.h"

#include <string>
#include <vector>

namespace orvex::detail {

// Does once, in this process, what a conversion does first in any process: sets up the readers
// of the formats of `inputs` and the writer of `format` (OCCT's translators and their tables,
// the symbols the loader binds on first call), by converting a small coloured assembly written
// in each of those formats. A copy of this process made afterwards with fork() inherits all of
// it. False when the warm-up left a thread running (a writer that meshes starts a pool), which
// such a copy would lack, or when it could not run.
bool WarmUpConversion(const std::vector<std::string>& inputs, const std::string& format,
                      const WriteOptions& options);

} // namespace orvex::detail
