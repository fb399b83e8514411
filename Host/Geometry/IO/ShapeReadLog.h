#pragma once

#include "Common/Core/LoadFailure.h"

#include <string>

namespace orvkit {

// The words every shape reader logs for a file it cannot read, so that the six formats say it
// the same way.

// Logs "Cannot read <format> file: <path> (<reason>)" at level 4.
void LogCannotRead(const char* format, const std::string& path, const std::string& reason);

// Logs at level 4 that the settings' model unit is not one LengthUnit knows.
void LogUnknownUnit(const char* format, const std::string& path, const std::string& unit);

// Keeps a refusal of the mesh file checks as the thread's last failure and logs it in the
// readers' words, with the line of the file where there is one.
void LogRefusal(const char* format, const std::string& path, const LoadFailure& refusal);

} // namespace orvkit
