#include "WriteTime.h"

#include "Common/Core/Logger.h"

#include <charconv>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>

namespace orvkit {

namespace {

const char* const kIgnored = "%s='%s' is not a count of seconds since 1970-01-01 and is "
                             "ignored: files are stamped with the current time";

// 9999-12-31T23:59:59 UTC.
constexpr long long kLastSecond = 253402300799LL;

// The seconds `text` counts; none unless it is digits alone, up to kLastSecond.
std::optional<std::time_t> Seconds(const std::string& text)
{
    long long seconds = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, seconds);
    if (text[0] == '-' || error != std::errc() || stop != end || seconds > kLastSecond) {
        return std::nullopt;
    }
    return static_cast<std::time_t>(seconds);
}

// A split writes many files: each bad value is told once, not once a file.
void WarnOnce(const std::string& value)
{
    static std::mutex mutex;
    static std::string warned;
    const std::lock_guard<std::mutex> lock(mutex);
    if (value != warned) {
        warned = value;
        Logger::Instance().Message(3, kIgnored, WriteTime::EpochVariable, value.c_str());
    }
}

} // namespace

std::tm WriteTime::Get()
{
    std::tm broken{};
    if (const char* given = std::getenv(EpochVariable); given != nullptr && *given != '\0') {
        if (const std::optional<std::time_t> seconds = Seconds(given)) {
            gmtime_r(&*seconds, &broken);
            return broken;
        }
        WarnOnce(given);
    }
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &broken);
    return broken;
}

std::string WriteTime::Text(const char* format)
{
    const std::tm time = Get();
    char text[32];
    const size_t length = std::strftime(text, sizeof(text), format, &time);
    return std::string(text, length);
}

} // namespace orvkit
