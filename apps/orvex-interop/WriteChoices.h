#pragma once

#include <string>

namespace orvex::cli {

// How a model is written; the texts are checked by the verbs.
struct WriteChoices {
    std::string from;        // axis convention of the model: 0, 1, 2, x-up, y-up, z-up; empty: z-up
    std::string to;          // axis convention of the file written
    std::string unit;        // length unit of the file written; empty: millimetres
    double deflection = 0.0; // mesh formats: chordal deflection in mm; 0: relative to each part
    double angle = 0.5;      // mesh formats: angular deflection in radians
};

} // namespace orvex::cli
