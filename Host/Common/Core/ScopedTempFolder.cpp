#include "ScopedTempFolder.h"

#include <system_error>

#include <unistd.h>

namespace orvkit {

namespace fs = std::filesystem;

ScopedTempFolder::ScopedTempFolder(const std::string& prefix)
{
    std::error_code code;
    std::string pattern = (fs::temp_directory_path(code) / (prefix + "XXXXXX")).string();
    if (!code && ::mkdtemp(pattern.data()) != nullptr) {
        myPath = pattern;
    }
}

ScopedTempFolder::~ScopedTempFolder()
{
    std::error_code ignored;
    if (!myPath.empty()) {
        fs::remove_all(myPath, ignored);
    }
}

} // namespace orvkit
