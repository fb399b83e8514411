#pragma once

#include "orvex/Model.h"
#include "orvex/Write.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>

#include <string>
#include <vector>

namespace orvex {

struct SplitOptions {
    std::string assembly;       // the assembly to split; empty: the model's top-level one
    std::string format = "stp"; // an extension of a format that can be written
    WriteOptions write;         // `select` and `verify` are not used
};

// One distinct child of the assembly, written to a file of its own.
struct SplitChild {
    std::string name;
    std::string file; // the path written
    std::uintmax_t bytes = 0;
    std::vector<std::string> lost; // what the file does not keep
    // Where the assembly places it, row by row, one matrix per instance.
    std::vector<std::array<double, 16>> placements;
};

struct SplitReport {
    std::string folder;
    std::vector<SplitChild> children;
    std::string manifest; // the manifest's path; empty when it was not written
    // Why the split stopped (no such assembly, a folder that cannot be made, a child that
    // cannot be written); empty when every child and the manifest were written.
    std::string failure;

    bool Ok() const { return failure.empty(); }
    nlohmann::ordered_json ToJson() const;
};

// Why the options cannot be written (an unknown format, axis or unit); empty when they can.
std::string CheckSplitOptions(const SplitOptions& options);

// Writes each distinct child of the assembly, as a whole subtree at its own origin, to a file
// of its own in `folder` (made when missing), with a manifest.json naming each child's file,
// its instance count and its placements in the assembly.
SplitReport Split(const Model& model, const std::string& folder, const SplitOptions& options = {});

} // namespace orvex
