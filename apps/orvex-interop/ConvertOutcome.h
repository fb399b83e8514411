#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex::cli {

// What became of one input file of a batch conversion.
struct ConvertOutcome {
    std::string input;  // as given
    std::string output; // where it is, or would have been, written
    bool ok = false;
    std::string reason;       // why it failed; empty when ok
    double seconds = 0.0;     // wall time of its conversion
    std::uintmax_t bytes = 0; // size of the file written; 0 when it failed
    // What the read left out of the model (parts whose files are missing, ...), then what the
    // file written does not keep of it.
    std::vector<std::string> warnings;
    // Whether the file read back equal to its model; empty when it was not verified, or when
    // it failed before it was written.
    std::optional<bool> verified;
};

} // namespace orvex::cli
