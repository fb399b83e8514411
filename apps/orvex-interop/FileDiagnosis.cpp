#include "FileDiagnosis.h"

#include "Common/Core/LoadFailure.h"

#include <iostream>

namespace orvex::cli {

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

} // namespace orvex::cli
