#pragma once

#include "orvex/Context.h"
#include "orvex/Write.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvex {

// One of the N parts that a conversion's files can be split into, numbered from 1.
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

struct ConvertOptions {
    // An extension of a format that can be written, any case ("glb", "STEP").
    std::string format;
    // Where the files go; made when it does not exist.
    std::string out;
    unsigned jobs = 0; // files converted at a time; 0: one per core
    // "K/N": only the K-th of N shards of the sorted files; empty: all.
    std::string shard;
    // How each file is written (`select` is not used).
    WriteOptions write;
    bool verify = false; // each file read back and compared with its model
    // Each file's time and memory limits; 0: none. Negative seconds: 30 s and 2 s a megabyte.
    double seconds = -1;
    double megabytes = 0;
    // Processes each file's read translates its parts with; 0: the cores shared out among
    // the files converted at a time.
    unsigned transferJobs = 0;
    // The program each file is converted by; empty: the orvex-interop installed beside this
    // library (or found on the PATH).
    std::string program;
    // The program's own entry, given a child's arguments (argv[1] on), when this process is
    // that program. Each file's child is then a copy of this process made with fork() that
    // calls it, instead of the program started afresh: a started program spends about 0.1 s
    // loading its libraries, most of what a small file costs. Only for a caller whose other
    // threads hold no lock the entry needs, since the copy has none of them.
    std::function<int(const std::vector<std::string>& arguments)> runInProcess;
    // Hears of each file that ends: how many are done, failed, and the total.
    std::function<void(size_t done, size_t failed, size_t total)> progress;
};

// What became of one input file.
struct ConvertedFile {
    std::string input;  // as given
    std::string output; // where it is, or would have been, written
    bool ok = false;
    std::string reason;       // why it failed; empty when ok
    double seconds = 0.0;     // wall time of its conversion
    std::uintmax_t bytes = 0; // size of the file written; 0 when it failed
    // What the read left out of the model, then what the file written does not keep of it.
    std::vector<std::string> warnings;
    // Whether the file read back equal to its model; empty when not verified, or when it
    // failed before it was written.
    std::optional<bool> verified;

    nlohmann::ordered_json ToJson() const;
    static ConvertedFile FromJson(const nlohmann::json& json);
};

// Converts one file in this process: reads `input` and writes it to `output` in the format of
// its extension, read back and compared when `options.verify`. What Convert runs for each file
// in a child process.
ConvertedFile ConvertFile(const std::string& input, const std::string& output,
                          const WriteOptions& options);

// The option of `orvex-interop export` with which it runs as a child of Convert: instead of
// its text it prints one line of JSON on standard output, the ConvertedFile.
constexpr const char* kConvertChildFlag = "--report-json";

struct ConvertReport {
    // Why nothing was started (no files, a bad shard, an unknown format or axis, an output
    // folder that cannot be made or written); empty when the files ran.
    std::string error;
    std::optional<Shard> shard;
    std::vector<ConvertedFile> files; // in input order; with a shard, the shard's in sorted order
    size_t failed = 0;

    bool Ok() const { return error.empty() && failed == 0; }
    nlohmann::ordered_json ToJson() const;
};

// Converts many model files, each in a child process of its own, so that a file which crashes
// a translator or runs out of memory fails alone and the others still convert. Each child
// hands its report back as one line of JSON. An input whose output an earlier input already
// claims, or whose output would be the input itself, fails without being run; with a shard,
// "earlier" is in the whole sorted list, so that two machines never write one file.
ConvertReport Convert(const std::vector<std::string>& files, const ConvertOptions& options);

// Reads a list of files, one path a line, from `path` ("-": standard input) onto `files`.
// Blank lines and a line's trailing carriage return are dropped. False with the reason in
// `error` when it cannot be read.
bool ReadFileList(const std::string& path, std::vector<std::string>& files, std::string& error);

} // namespace orvex
