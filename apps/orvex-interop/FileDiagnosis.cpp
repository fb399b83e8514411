#include "FileDiagnosis.h"

#include "Common/Core/LoadFailure.h"
#include "Geometry/IO/ReplacingWrite.h"

#include <cstring>
#include <iostream>

namespace orvex::cli {

namespace {

const char* const kOcctPrefix = "OCCT: ";

// OpenCASCADE frames its errors in asterisks; keep the words only.
std::string Tidy(const std::string& text)
{
    const size_t first = text.find_first_not_of("* ");
    const size_t last = text.find_last_not_of("* ");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

} // namespace

std::string FirstError(const std::vector<orvkit::LogRecord>& log)
{
    for (const auto& record : log) {
        if (record.level < 3) {
            continue;
        }
        if (record.text.rfind(kOcctPrefix, 0) == 0) {
            return Tidy(record.text.substr(std::strlen(kOcctPrefix)));
        }
        return record.text;
    }
    return std::string();
}

void PrintError(const std::string& file, const std::string& reason)
{
    std::cerr << "orvex-interop: error: cannot read '" << file << "': " << reason << "\n";
}

void PrintError(const std::string& file, const orvkit::LoadFailure& failure)
{
    // Every reader records why it failed; a silent one is a fault of ours, said as such.
    PrintError(file, failure ? failure.Describe() : std::string("the reader gave no reason"));
}

void PrintWarnings(const std::string& file, const std::vector<std::string>& warnings)
{
    for (const std::string& warning : warnings) {
        std::cerr << "orvex-interop: warning: '" << file << "': " << warning << "\n";
    }
}

bool WriteOutput(const std::string& path, const char* format,
                 const std::function<bool(const std::string& file)>& write, std::string& error)
{
    const std::string reason = orvkit::ReplaceFile(
        path, format, [&write](const std::string& file, std::string&) { return write(file); });
    if (reason.empty()) {
        return true;
    }
    error = "Cannot write file: " + path + " (" + reason + ")";
    return false;
}

} // namespace orvex::cli
