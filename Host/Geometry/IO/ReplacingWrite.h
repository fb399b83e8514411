#pragma once

#include <functional>
#include <string>

namespace orvkit {

// Writes the file the function is given, a new one, and returns whether it wrote it completely.
// When it did not, it may say why in plain words in `reason` ("the shape has no faces to
// mesh"). It may throw; WriteReplacing catches what it throws.
using ReplacingWriteFunction = std::function<bool(const std::string& file, std::string& reason)>;

// Writes the file at `path` so that it is replaced whole or not at all. The function writes
// into a fresh temporary folder beside the target, under the target's own file name (so that
// files a format writes beside its main file, such as a glTF buffer, get the names the main
// file refers to), and what it wrote is moved into the target's folder only when it says it
// succeeded: side files first, the main file last, each by a rename that replaces a file of
// the same name. The temporary folder is removed in every case.
//
// False, with one line at level 3 ("Cannot write file: PATH (REASON)"), when the path names
// no file, its folder does not exist, is not a folder or cannot be written, the target is a
// folder, the function fails, writes no file, or throws (an OpenCASCADE exception, a memory
// fault inside OpenCASCADE, or a C++ exception), or the rename fails. Then an existing target
// is left as it was and nothing written remains. `format` names the writer in the reason for a
// failure the function does not explain ("the writer for STEP failed"). Never throws.
bool WriteReplacing(const std::string& path, const char* format,
                    const ReplacingWriteFunction& write);

// WriteReplacing without the log line: the reason for a failure, empty when the file was written.
std::string ReplaceFile(const std::string& path, const char* format,
                        const ReplacingWriteFunction& write);

// The same for a function that gives no reason for its failure.
bool WriteReplacing(const std::string& path, const char* format,
                    const std::function<bool(const std::string& file)>& write);

} // namespace orvkit
