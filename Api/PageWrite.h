#pragma once

#include "orvex/Read.h"

#include <string>

namespace orvex::detail {

// How writing a page went: at most one of the two is set.
struct PageOutcome {
    ReadFailure read;        // why the input could not be read; kind empty when it was
    std::string writeReason; // why the page could not be written (no three.js, the folder)
};

// Reads `input` and writes its page to `page`, whole or not at all.
PageOutcome WritePageFile(const std::string& input, const std::string& page);

} // namespace orvex::detail
