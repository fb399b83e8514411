#pragma once

#include "GuardedRun.h"
#include "WriteChoices.h"

#include <string>
#include <vector>

namespace orvex::cli {

// What a batch conversion converts, to what and where.
struct ConvertOptions {
    std::vector<std::string> files; // with those of the list file, when there is one
    std::string listFile;           // one path a line; "-": standard input; empty: none
    std::string shard;              // "K/N": the K-th of N shards of the sorted files; empty: all
    std::string format; // an extension of a format that can be written (ModelFormat), any case
    std::string outDir;
    unsigned jobs = 0;    // files converted at a time; 0: one per core
    WriteChoices choices; // handed to each file's "export"
    bool json = false;
    bool verify = false; // each file read back and compared with its model ("export --verify")
    RunLimits limits;    // each file's time and memory limits, handed to its child
};

} // namespace orvex::cli
