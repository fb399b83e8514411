#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace orvfuzz {

FuzzInput::FuzzInput(const uint8_t* data, size_t size, const char* extension)
{
    const char* folder = std::getenv("TMPDIR");
    const std::string path = std::string(folder != nullptr ? folder : "/tmp") + "/orvex-fuzz-" +
                             std::to_string(::getpid()) + extension;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) == 0 && written) {
        myPath = path;
    } else {
        std::remove(path.c_str());
    }
}

FuzzInput::~FuzzInput()
{
    if (!myPath.empty()) {
        std::remove(myPath.c_str());
    }
}

} // namespace orvfuzz
