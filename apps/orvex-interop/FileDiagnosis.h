#pragma once

#include "Common/Core/Logger.h"

#include <string>
#include <vector>

namespace orvex::cli {

// Prints one line on standard error saying why the file could not be read: missing, a folder,
// empty, an extension no reader takes, or what the reader itself reported.
void ReportLoadFailure(const std::string& file, const std::vector<orvkit::LogRecord>& log);

} // namespace orvex::cli
