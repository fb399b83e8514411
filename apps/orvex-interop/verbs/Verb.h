#pragma once

#include "GuardedRun.h"

#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace orvex::cli {

// What main needs of a verb once the verb has added its subcommand and options to the app.
// The functions are called after parsing, when the options hold what was given.
struct Verb {
    CLI::App* command = nullptr;
    // Runs the verb under the program's time and memory limits; returns the exit code.
    std::function<int(const RunLimits& limits)> run;
    // The file a time-out or crash message names; empty when there is none.
    std::function<std::string()> input;
    // False for a verb that hands the limits on to child processes instead of running under
    // them itself.
    bool limited = true;
};

} // namespace orvex::cli
