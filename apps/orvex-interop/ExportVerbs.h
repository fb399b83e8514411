#pragma once

#include <string>

namespace orvex::cli {

// The verbs that write a model out again with what its file holds: its tree, names, colours,
// layers, dimensions and validation properties, as far as the format written can keep them.
// Each returns the program's exit code: 0, or 1 after one error line on standard error.

// How a model is written; the texts are checked by the verbs.
struct WriteChoices {
    std::string from;        // axis convention of the model: 0, 1, 2, x-up, y-up, z-up; empty: z-up
    std::string to;          // axis convention of the file written
    std::string unit;        // length unit of the file written; empty: millimetres
    double deflection = 0.0; // mesh formats: chordal deflection in mm; 0: relative to each part
    double angle = 0.5;      // mesh formats: angular deflection in radians
};

struct ExportOptions {
    std::string input;
    std::string output;
    std::string select; // name of a part, assembly or instance to write alone; empty: all
    WriteChoices choices;
};
// Reads any model file and writes it, or the subtree `select` names, in the format of the
// output's extension. The output is written whole or not at all.
int RunExport(const ExportOptions& options);

struct SplitOptions {
    std::string input;
    std::string folder;   // made when it does not exist
    std::string assembly; // name of the assembly; empty: the file's top-level one
    std::string format = "stp";
    WriteChoices choices;
};
// Reads any model file and writes each distinct child of the assembly, as a whole subtree at
// its own origin, to a file of its own in the folder, with a manifest.json that names each
// child's file, its instance count and its placements in the assembly.
int RunSplit(const SplitOptions& options);

} // namespace orvex::cli
