#pragma once

#include "ConvertOptions.h"
#include "ConvertOutcome.h"

#include <string>
#include <vector>

namespace orvex::cli {

// Converts many model files, each in a child process of its own that runs the program's
// "export" verb, so that a file which crashes a translator or runs out of memory fails alone
// and the others still convert.
class BatchConvert {
public:
    // `program` is the executable started for each file: by default the running program.
    explicit BatchConvert(ConvertOptions options, std::string program = "/proc/self/exe");

    // Why the options cannot run (unknown format or axis, output folder missing, not a folder
    // or not writable); empty when they can. Nothing is started before this passes.
    std::string CheckOptions() const;
    // Converts every file, `jobs` at a time, and returns one outcome per input, in input order.
    // An input whose output file an earlier input already claims, or whose output would be the
    // input itself, fails without being run. On a terminal a progress line shows meanwhile.
    std::vector<ConvertOutcome> Run();

private:
    struct Task {
        size_t index; // into the outcomes
        std::vector<std::string> arguments;
    };

    // Fills the outcomes and returns the files to run.
    std::vector<Task> Plan(std::vector<ConvertOutcome>& outcomes) const;
    unsigned GetJobs() const;
    // The export options every child is given.
    void AddWriteArguments(std::vector<std::string>& arguments) const;
    void ShowProgress(size_t done, size_t failed, size_t total) const;
    void ClearProgress() const;

    ConvertOptions myOptions;
    std::string myProgram;
    bool myShowProgress;
};

} // namespace orvex::cli
