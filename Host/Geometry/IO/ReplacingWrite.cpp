#include "ReplacingWrite.h"

#include "Common/Core/Logger.h"
#include "Geometry/IO/CaughtFailure.h"
#include "Geometry/IO/OcctFaultScope.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace orvkit {

namespace {

namespace fs = std::filesystem;

const char* const kCannotWrite = "Cannot write file: %s (%s)";
const char* const kNoFileName = "the path names no file";
const char* const kNoFolder = "the folder %s does not exist";
const char* const kNotAFolder = "%s is not a folder";
const char* const kFolderNotWritable = "the folder %s cannot be written";
const char* const kTargetIsFolder = "a folder of that name is in the way";
const char* const kNoTemporary = "no temporary file can be made in %s: %s";
const char* const kWriterFailed = "the writer for %s failed";
const char* const kWriterFailedWith = "the writer for %s failed: %s";
const char* const kNothingWritten = "the writer for %s wrote no file";
const char* const kCannotMove = "the written file cannot be moved there: %s";

// Longest part of the target's name that goes into the temporary folder's name, so that the
// folder's name stays within the file system's limit.
const size_t kMaxNameInTemporary = 200;

// printf-style formatting of one reason.
template <class... Args> std::string Format(const char* format, const Args&... args)
{
    const int size = std::snprintf(nullptr, 0, format, args...);
    if (size <= 0) {
        return format;
    }
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<size_t>(size));
    return text;
}

// Why the target's folder cannot take the file; empty when it can.
std::string CheckFolder(const fs::path& folder)
{
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (!fs::exists(status)) {
        return Format(kNoFolder, folder.c_str());
    }
    if (!fs::is_directory(status)) {
        return Format(kNotAFolder, folder.c_str());
    }
    // The temporary folder and the final rename both need to write and search the folder.
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return Format(kFolderNotWritable, folder.c_str());
    }
    return {};
}

// Runs the write function. False, with the reason, when it fails or throws.
bool RunGuarded(const ReplacingWriteFunction& write, const std::string& file, const char* format,
                std::string& reason)
{
    OcctFaultScope faults;
    bool written = false;
    const std::optional<CaughtFailure> caught =
        CaughtFailure::Guard([&] { written = write(file, reason); });
    if (caught) {
        // A standard exception's own text says enough; OpenCASCADE's needs its type.
        const std::string message =
            caught->kind == CaughtFailure::StandardException ? caught->message : caught->Describe();
        reason = Format(kWriterFailedWith, format, message.c_str());
        return false;
    }
    if (!written && reason.empty()) {
        reason = Format(kWriterFailed, format);
    }
    return written;
}

// Moves what the function wrote into the target's folder: the files beside the main one first,
// so that a reader never sees a main file whose side files are missing. Empty when every file
// got there; the reason otherwise.
std::string MoveWritten(const fs::path& temporaryFolder, const fs::path& mainName,
                        const fs::path& folder)
{
    std::vector<fs::path> sideNames;
    std::error_code error;
    for (fs::directory_iterator it(temporaryFolder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().filename() != mainName) {
            sideNames.push_back(it->path().filename());
        }
    }
    if (error) {
        return Format(kCannotMove, error.message().c_str());
    }
    sideNames.push_back(mainName);
    for (const fs::path& name : sideNames) {
        fs::rename(temporaryFolder / name, folder / name, error);
        if (error) {
            return Format(kCannotMove, error.message().c_str());
        }
    }
    return {};
}

// Writes through a temporary folder; empty when the target was written, the reason otherwise.
std::string WriteThroughTemporary(const std::string& path, const char* format,
                                  const ReplacingWriteFunction& write)
{
    const fs::path target(path);
    const fs::path name = target.filename();
    if (name.empty() || name == "." || name == "..") {
        return kNoFileName;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (std::string reason = CheckFolder(folder); !reason.empty()) {
        return reason;
    }
    std::error_code error;
    if (fs::is_directory(target, error)) {
        return kTargetIsFolder;
    }

    // Hidden, and in the target's folder, so that the final rename stays on one file system.
    std::string pattern =
        (folder / ("." + name.string().substr(0, kMaxNameInTemporary) + ".tmp-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return Format(kNoTemporary, folder.c_str(), std::generic_category().message(errno).c_str());
    }
    const fs::path temporaryFolder(pattern);
    const fs::path file = temporaryFolder / name;

    std::string reason;
    if (RunGuarded(write, file.string(), format, reason)) {
        if (!fs::is_regular_file(file, error)) {
            reason = Format(kNothingWritten, format);
        } else {
            reason = MoveWritten(temporaryFolder, name, folder);
        }
    }
    fs::remove_all(temporaryFolder, error);
    return reason;
}

} // namespace

std::string ReplaceFile(const std::string& path, const char* format,
                        const ReplacingWriteFunction& write)
{
    try {
        return WriteThroughTemporary(path, format, write);
    } catch (const std::exception& error) {
        // Only the file system or memory can get here; the write function's own exceptions
        // are caught around it.
        return error.what();
    }
}

bool WriteReplacing(const std::string& path, const char* format,
                    const ReplacingWriteFunction& write)
{
    const std::string reason = ReplaceFile(path, format, write);
    if (reason.empty()) {
        return true;
    }
    Logger::Instance().Message(3, kCannotWrite, path.c_str(), reason.c_str());
    return false;
}

bool WriteReplacing(const std::string& path, const char* format,
                    const std::function<bool(const std::string& file)>& write)
{
    return WriteReplacing(path, format,
                          [&write](const std::string& file, std::string&) { return write(file); });
}

} // namespace orvkit
