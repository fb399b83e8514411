#pragma once

#include <string>

namespace CLI {
class App;
}

namespace orvex::cli {

// The manual page orvex-interop(1) in roff: the program's description, its global options and
// each verb with its arguments and options, in the words of `--help`, so that the page cannot
// say something the program does not do.
std::string ManPage(const CLI::App& app, const std::string& version);

// A bash completion script: the verbs after the program's name, a verb's options after '-',
// file names elsewhere. Made from the same options as `--help`.
std::string BashCompletion(const CLI::App& app);

} // namespace orvex::cli
