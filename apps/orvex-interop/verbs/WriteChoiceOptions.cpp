#include "verbs/WriteChoiceOptions.h"

#include <CLI/CLI.hpp>

namespace orvex::cli {

void AddWriteChoices(CLI::App& verb, WriteOptions& options)
{
    verb.add_option("--from", options.fromUp,
                    "Axis convention of the model: 0 or x-up, 1 or y-up, 2 or z-up (default)");
    verb.add_option("--to", options.up, "Axis convention of the file written (default z-up)");
    verb.add_option("--unit", options.unit,
                    "Length unit of the file written: mm (default), cm, m, in, ft, ... (glTF "
                    "is always in metres)");
    verb.add_option("--deflection", options.deflection,
                    "Mesh formats: largest distance from surface to triangles in mm (default "
                    "0.1 % of each part's size)")
        ->check(CLI::PositiveNumber);
    verb.add_option("--angle", options.angle,
                    "Mesh formats: largest angle between neighbouring triangles in radians "
                    "(default 0.5)")
        ->check(CLI::PositiveNumber);
}

} // namespace orvex::cli
