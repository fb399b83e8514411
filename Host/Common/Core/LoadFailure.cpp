#include "LoadFailure.h"

#include <sys/stat.h>
#include <unistd.h>

namespace orvkit {

namespace {

thread_local LoadFailure theLast;

} // namespace

LoadFailure::LoadFailure(EnumLoadFailure kind, std::string format, std::string detail, int line)
    : kind(kind), format(std::move(format)), detail(std::move(detail)), line(line)
{
}

LoadFailure LoadFailure::CheckFile(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return {LoadFailureNotFound, {}, {}};
    }
    if (S_ISDIR(info.st_mode)) {
        return {LoadFailureNotAFile, {}, "a folder"};
    }
    if (!S_ISREG(info.st_mode)) {
        // Reading a FIFO or a device could block for good.
        return {LoadFailureNotAFile, {}, "a FIFO or a device"};
    }
    if (info.st_size == 0) {
        return {LoadFailureEmpty, {}, {}};
    }
    if (::access(path.c_str(), R_OK) != 0) {
        return {LoadFailureNotReadable, {}, {}};
    }
    return {};
}

const LoadFailure& LoadFailure::Last()
{
    return theLast;
}

void LoadFailure::Record(const LoadFailure& failure)
{
    theLast = failure;
}

void LoadFailure::Clear()
{
    theLast = LoadFailure();
}

std::string LoadFailure::Describe() const
{
    const std::string what = format.empty() ? std::string("file") : format + " file";
    const std::string lineText = line > 0 ? " at line " + std::to_string(line) : std::string();
    const std::string withDetail = detail.empty() ? std::string() : ": " + detail;
    switch (kind) {
    case LoadFailureNone:
        return {};
    case LoadFailureNotFound:
        return "no such file";
    case LoadFailureNotAFile:
        return detail == "a folder" ? "it is a directory"
                                    : "not a regular file (" +
                                          (detail.empty() ? "a FIFO or a device" : detail) + ")";
    case LoadFailureEmpty:
        return "the file is empty";
    case LoadFailureNotReadable:
        return "no permission to read it";
    case LoadFailureUnknownExtension:
        return "unsupported extension " + detail;
    case LoadFailureInvalidSetting:
        return "cannot be read with these settings" + withDetail;
    case LoadFailureParseError:
        return "not a readable " + what + withDetail + lineText;
    case LoadFailureTranslatorFault:
        return "the " + (format.empty() ? std::string("translator") : format + " translator") +
               " failed" + withDetail;
    case LoadFailureNothingTransferable:
        return "nothing in the " + what + " could be translated into shapes" + withDetail;
    case LoadFailureCancelled:
        return "cancelled";
    }
    return {};
}

} // namespace orvkit
