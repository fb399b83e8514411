#pragma once

#include "orvex/Context.h"
#include "orvex/Model.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace orvex {

struct WriteOptions {
    // Axis conventions of the model and of the file: "0", "1", "2", "x-up", "y-up", "z-up";
    // empty: z-up.
    std::string fromUp;
    std::string up;
    std::string unit;        // length unit of the file; empty: millimetres
    double deflection = 0.0; // mesh formats: chordal deflection in mm; 0: 0.1 % of each part
    double angle = 0.5;      // mesh formats: angular deflection in radians
    // The part, assembly or instance of this name, written alone as placed in the model;
    // empty: the whole model.
    std::string select;
    // Read the file written back and compare it with what it was written from.
    bool verify = false;
    // Hears the reading back of `verify` (and, in ConvertFile, the read); the writers
    // themselves report nothing.
    ProgressFunction progress;
};

struct WriteReport {
    std::string path;
    // Why nothing was written; empty when the file was.
    std::string failure;
    std::uintmax_t bytes = 0;
    // What the file does not keep of the model, one sentence each.
    std::vector<std::string> lost;
    // With `verify`: whether the file read back equal; then the differences as `compare` words
    // them (or why it could not be read back), and the summary of what was compared.
    std::optional<bool> verified;
    std::vector<std::string> differences;
    std::string summary;

    // Written, and equal when read back if that was asked for.
    bool Ok() const { return failure.empty() && verified.value_or(true); }
    // Why it is not Ok, in one line: the failure, or "'PATH': written, but it reads back
    // different: " and the first differences; empty when it is.
    std::string Problem() const;
    nlohmann::ordered_json ToJson() const;
};

// Writes the model, or the part `select` names, in the format of the path's extension,
// keeping what that format can hold; the file is replaced whole or not at all. The model
// itself is not changed.
WriteReport Write(const Model& model, const std::string& path, const WriteOptions& options = {});
// The same for a model the caller gives up, which is left empty: a model no copy shares is
// written without copying its document first.
WriteReport Write(Model&& model, const std::string& path, const WriteOptions& options = {});

// "cannot write 'PATH': REASON" when the choices of axes, unit or format cannot be written;
// empty when they can.
std::string CheckWriteOptions(const std::string& path, const WriteOptions& options);

} // namespace orvex
