#pragma once

#include <ctime>
#include <string>

namespace orvkit {

// The time every writer stamps into the files it writes (a STEP header's, an IGES global
// section's). SOURCE_DATE_EPOCH, a count of seconds since 1970-01-01 UTC, fixes it, so that
// one model exported twice gives the same bytes, which version control and build caches rely
// on.
struct WriteTime {
    static constexpr const char* EpochVariable = "SOURCE_DATE_EPOCH";

    // The time SOURCE_DATE_EPOCH holds, in UTC; the current local time when it is unset or
    // empty, and when it holds anything but digits (said once in the log for each such value)
    // or a time past the year 9999, which the files' date fields have no room for.
    static std::tm Get();
    // Get() as strftime writes it with `format`.
    static std::string Text(const char* format);
};

} // namespace orvkit
