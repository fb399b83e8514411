#pragma once

#include <filesystem>
#include <string>

namespace orvkit {

// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the scope.
class ScopedTempFolder {
public:
    // The folder's name starts with `prefix` ("orvkit-scene-").
    explicit ScopedTempFolder(const std::string& prefix);
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

    // Empty when the folder could not be made.
    const std::filesystem::path& GetPath() const { return myPath; }

private:
    std::filesystem::path myPath;
};

} // namespace orvkit
