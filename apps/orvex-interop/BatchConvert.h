#pragma once

#include "ConvertOptions.h"
#include "ConvertOutcome.h"

#include <string>
#include <vector>

namespace orvex::cli {

// One of the N parts that `convert --shard K/N` splits its files into, numbered from 1.
struct Shard {
    unsigned index = 1;
    unsigned count = 1;

    // "K/N" with 1 <= K <= N, in decimal digits; false for anything else.
    static bool Parse(const std::string& text, Shard& shard);
    // Whether the file at `position` of the sorted list is this shard's. Files are dealt round
    // like cards, so that shards differ by one file at most and a folder of big files sorted
    // together is spread over every shard.
    bool Holds(size_t position) const { return position % count == index - 1; }
};

// Reads a list of files, one path a line, from `path` ("-": standard input) onto `files`.
// Blank lines and a line's trailing carriage return are dropped. False with the reason in
// `error` when it cannot be read.
bool ReadFileList(const std::string& path, std::vector<std::string>& files, std::string& error);

// Converts many model files, each in a child process of its own that runs the program's
// "export" verb, so that a file which crashes a translator or runs out of memory fails alone
// and the others still convert.
class BatchConvert {
public:
    // `program` is the executable started for each file: by default the running program.
    explicit BatchConvert(ConvertOptions options, std::string program = "/proc/self/exe");

    // Why the options cannot run (no files, a bad shard, unknown format or axis, output folder
    // missing, not a folder or not writable); empty when they can. Nothing is started before
    // this passes.
    std::string CheckOptions() const;
    // Converts every file, `jobs` at a time, and returns one outcome per input, in input order;
    // with a shard, only the shard's files, in sorted order. An input whose output file an
    // earlier input already claims, or whose output would be the input itself, fails without
    // being run. With a shard, "earlier" is in the whole sorted list, so that two machines
    // never write the same output. On a terminal a progress line shows meanwhile.
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
