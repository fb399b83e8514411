#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvfuzz {

// The readers take file names, so every input is written to a file of this process's own
// (the extension picks the reader) and removed again by the destructor.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size, const char* extension);
    ~FuzzInput();
    FuzzInput(const FuzzInput&) = delete;
    FuzzInput& operator=(const FuzzInput&) = delete;

    // The file's path; empty when it could not be written.
    const std::string& Path() const { return myPath; }

private:
    std::string myPath;
};

} // namespace orvfuzz
