#include "verbs/Verbs.h"

#include "ModelCompare.h"

#include <CLI/CLI.hpp>

#include <memory>

namespace orvex::cli {

Verb AddCompareVerb(CLI::App& app)
{
    const auto options = std::make_shared<CompareOptions>();
    CLI::App* verb = app.add_subcommand(
        "compare", "Compare two model files: tree, names, placements, colours, dimensions, "
                   "volumes, areas, centroids; exit 0 when equal, 1 when not, 2 on a read error");
    verb->add_option("A", options->first, "The first file")->required();
    verb->add_option("B", options->second, "The second file")->required();
    verb->add_option("--tolerance", options->tolerance,
                     "Relative tolerance of placements and the bounding box, to the model's "
                     "size, and of dimension values (default 1e-6)")
        ->check(CLI::PositiveNumber);
    verb->add_option("--property-tolerance", options->propertyTolerance,
                     "Relative tolerance of volumes, areas and centroids (default 1e-4)")
        ->check(CLI::PositiveNumber);
    verb->add_flag("--json", options->json, "Print one JSON document instead");
    return {verb, [options](const RunLimits&) { return RunCompare(*options); },
            [options] { return options->first; }};
}

} // namespace orvex::cli
