#include "FileUtil.h"

#include "LoadFailure.h"
#include "Logger.h"

#include <sys/stat.h>

namespace orvkit {

bool CheckReadableFile(const std::string& path)
{
    const LoadFailure failure = LoadFailure::CheckFile(path);
    if (!failure) {
        return true;
    }
    const char* why = "not readable";
    switch (failure.kind) {
    case LoadFailureNotFound:
        why = "no such file";
        break;
    case LoadFailureNotAFile:
        why = "not a regular file";
        break;
    case LoadFailureEmpty:
        why = "empty file";
        break;
    default:
        break;
    }
    Logger::Instance().Message(4, "Cannot open file: %s (%s)", path.c_str(), why);
    return false;
}

bool IsRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace orvkit
