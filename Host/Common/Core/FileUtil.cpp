#include "FileUtil.h"

#include "Logger.h"

#include <sys/stat.h>
#include <unistd.h>

namespace orvkit {

bool CheckReadableFile(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        Logger::Instance().Message(4, "Cannot open file: %s (no such file)", path.c_str());
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        Logger::Instance().Message(4, "Cannot open file: %s (not a regular file)", path.c_str());
        return false;
    }
    if (info.st_size == 0) {
        Logger::Instance().Message(4, "Cannot open file: %s (empty file)", path.c_str());
        return false;
    }
    if (::access(path.c_str(), R_OK) != 0) {
        Logger::Instance().Message(4, "Cannot open file: %s (not readable)", path.c_str());
        return false;
    }
    return true;
}

bool IsRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace orvkit
