#pragma once

#include <string>

namespace orvkit {

// Pieces of file paths. Both '/' and '\\' separate folders.
struct PathUtil {
    // Last component: "a/b/part.step" gives "part.step".
    static std::string GetFileName(const std::string& path);
    // Last component without its extension: "part".
    static std::string GetFileNameWithoutExt(const std::string& path);
    // Extension with its leading dot and its case unchanged (".STEP"); empty when the last
    // component has none or is a hidden name such as ".profile".
    static std::string Extension(const std::string& path);
    // Folder part, without the trailing separator; empty for a bare name.
    static std::string GetDirectory(const std::string& path);
    static std::string ToUtf8(const std::wstring& path);
};

} // namespace orvkit
