#pragma once

#include <string>

namespace orvkit {

// Checks that `path` names a readable, non-empty regular file; when not, logs why at level 4
// ("Cannot open file: PATH (no such file)") and returns false.
bool CheckReadableFile(const std::string& path);
// Whether `path` names a regular file (following links); false for folders, FIFOs, devices and
// missing paths. Logs nothing.
bool IsRegularFile(const std::string& path);

} // namespace orvkit
