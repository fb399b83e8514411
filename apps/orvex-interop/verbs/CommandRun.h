#pragma once

#include "Common/Core/ParameterDict.h"

#include <string>
#include <vector>

namespace orvex::cli {

// Runs the command (its batch form when `batch`) on a new document, its dialogs answered by
// `answers` and its named dialogs given `parameters`, and prints the document under `title`.
// Returns the exit code: 0, or 1 after the one error line.
int RunOnNewDocument(const std::string& name, const std::vector<std::string>& answers,
                     orvkit::ParameterDict& parameters, bool batch, bool json,
                     const std::string& title);

} // namespace orvex::cli
