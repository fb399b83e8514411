#include "StringUtil.h"

#include <cstdint>

#include <vector>

namespace orvkit {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes UTF-8 into code points; each malformed sequence gives one U+FFFD.
std::vector<char32_t> DecodeUtf8(const std::string& text)
{
    std::vector<char32_t> out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        bool valid = i + static_cast<size_t>(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
            } else {
                cp = (cp << 6) | (next & 0x3F);
            }
        }
        const bool overlong =
            (extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
        if (!valid || overlong) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

} // namespace

std::string StringUtil::ToA(const wchar_t* text)
{
    std::string out;
    for (; text != nullptr && *text != 0; ++text) {
        StringUtil::AppendUtf8(out, static_cast<char32_t>(*text));
    }
    return out;
}

std::string StringUtil::ToA(const char16_t* text)
{
    std::string out;
    for (; text != nullptr && *text != 0; ++text) {
        char32_t cp = *text;
        if (cp >= 0xD800 && cp <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(text[1]) - 0xDC00);
            ++text;
        }
        StringUtil::AppendUtf8(out, cp);
    }
    return out;
}

std::string StringUtil::ToUTF8(const std::string& text)
{
    return text;
}

std::string StringUtil::UTF82AStr(const std::string& text)
{
    return text;
}

std::wstring StringUtil::ToW(const std::string& utf8)
{
    std::wstring out;
    for (char32_t cp : DecodeUtf8(utf8)) {
        out += static_cast<wchar_t>(cp);
    }
    return out;
}

std::u16string StringUtil::ToU16(const std::string& utf8)
{
    std::u16string out;
    for (char32_t cp : DecodeUtf8(utf8)) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string StringUtil::Replace(const std::string& text, const std::string& from,
                                const std::string& to)
{
    if (from.empty()) {
        return text;
    }
    std::string out;
    size_t start = 0;
    for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, start)) {
        out.append(text, start, pos - start);
        out += to;
        start = pos + from.size();
    }
    out.append(text, start, std::string::npos);
    return out;
}

void StringUtil::AppendUtf8(std::string& out, char32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = kReplacement;
    }
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string StringUtil::ToLower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string StringUtil::ToBase64(const std::string& bytes)
{
    static const char* const kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t n = (static_cast<uint8_t>(bytes[i]) << 16) |
                           (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                           static_cast<uint8_t>(bytes[i + 2]);
        out += {kDigits[n >> 18], kDigits[(n >> 12) & 63], kDigits[(n >> 6) & 63], kDigits[n & 63]};
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const uint32_t n = (static_cast<uint8_t>(bytes[i]) << 16) |
                           (two ? static_cast<uint8_t>(bytes[i + 1]) << 8 : 0);
        out += {kDigits[n >> 18], kDigits[(n >> 12) & 63], two ? kDigits[(n >> 6) & 63] : '=', '='};
    }
    return out;
}

} // namespace orvkit
