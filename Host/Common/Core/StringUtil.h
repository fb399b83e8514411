#pragma once

#include <string>

namespace orvkit {

// Text conversions. On this platform the local multibyte encoding is UTF-8, so the "A" and
// UTF-8 forms hold the same bytes; wide text is UTF-32 (wchar_t) or UTF-16 (char16_t, as
// OpenCASCADE's extended strings hold it). Malformed input becomes U+FFFD, never a crash.
struct StringUtil {
    static std::string ToA(const wchar_t* text);
    static std::string ToA(const char16_t* text);
    // Local multibyte to UTF-8.
    static std::string ToUTF8(const std::string& text);
    // UTF-8 to local multibyte.
    static std::string UTF82AStr(const std::string& text);
    static std::wstring ToW(const std::string& utf8);
    static std::u16string ToU16(const std::string& utf8);
    // Every occurrence of `from` replaced by `to`; an empty `from` changes nothing.
    static std::string Replace(const std::string& text, const std::string& from,
                               const std::string& to);
    // ASCII letters in lower case, every other byte unchanged (extensions, format names).
    static std::string ToLower(std::string text);
    // The bytes in base64 (RFC 4648, with padding), as data URIs carry them.
    static std::string ToBase64(const std::string& bytes);
    // Appends a code point as UTF-8; one past U+10FFFF or a surrogate half becomes U+FFFD.
    static void AppendUtf8(std::string& out, char32_t codePoint);
};

} // namespace orvkit
