#pragma once

#include "orvex/Context.h"
#include "orvex/Model.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace orvex {

struct ReadOptions {
    // Split each part whose shape is a compound of several bodies into an assembly of them.
    bool assembly = false;
    // The encoding of 8-bit names in STEP files that declare none ("CP1251", "SJIS", ...);
    // empty: UTF-8.
    std::string codePage;
    ProgressFunction progress;
    // Processes that translate the parts of a STEP file; 0: one per core. Files too small to
    // gain from more take one; each other process loads a model of its own, and only as many
    // are started as the free memory holds.
    int transferJobs = 0;
};

// Why a file could not be read.
struct ReadFailure {
    // "not found", "not a file", "empty", "not readable", "unknown extension", "invalid
    // setting", "parse error", "translator fault", "nothing transferable", "cancelled".
    std::string kind;
    std::string path;
    // One line for a user, as the program prints after the file's name: "not a readable STEP
    // file: unexpected end of file (line 12)".
    std::string reason;

    // "cannot read 'PATH': REASON", the program's error line about the file.
    std::string Text() const;
};

struct ReadResult {
    std::optional<Model> model; // empty when the file could not be read
    ReadFailure failure;        // kind empty when it was
    // What the read left out of the model, one sentence each.
    std::vector<std::string> warnings;

    explicit operator bool() const { return model.has_value(); }
    nlohmann::ordered_json ToJson() const;
};

// Reads any model file the program reads (STEP, IGES, glTF, GLB, OBJ, STL, BREP) with its
// assembly tree, names, colours, layers, dimensions and declared validation properties.
ReadResult Read(const std::string& path, const ReadOptions& options = {});

} // namespace orvex
