#include "verbs/Verbs.h"

#include "PrintFormat.h"
#include "ReportPrinter.h"

#include "orvex/Compare.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace orvex::cli {

namespace {

struct CompareArguments {
    std::string first;
    std::string second;
    bool json = false;
    CompareOptions options;
};

// Reads two model files and lists how they differ (see orvex::Compare); what a read left out
// is not compared, and its warnings say what it was. Exit code: 0 when equal, 1 when
// different, 2 when a file cannot be read.
int RunCompare(const CompareArguments& arguments)
{
    const ReadResult first = ReadModel(arguments.first);
    if (!first) {
        return 2;
    }
    const ReadResult second = ReadModel(arguments.second);
    if (!second) {
        return 2;
    }
    const CompareReport report = Compare(*first.model, *second.model, arguments.options);
    if (arguments.json) {
        std::cout << JsonText(report.ToJson()) << "\n";
    } else {
        PrintCompare(std::cout, report);
    }
    return report.Equal() ? 0 : 1;
}

} // namespace

Verb AddCompareVerb(CLI::App& app)
{
    const auto arguments = std::make_shared<CompareArguments>();
    CLI::App* verb = app.add_subcommand(
        "compare", "Compare two model files: tree, names, placements, colours, dimensions, "
                   "volumes, areas, centroids; exit 0 when equal, 1 when not, 2 on a read error");
    verb->add_option("A", arguments->first, "The first file")->required();
    verb->add_option("B", arguments->second, "The second file")->required();
    verb->add_option("--tolerance", arguments->options.tolerance,
                     "Relative tolerance of placements and the bounding box, to the model's "
                     "size, and of dimension values (default 1e-6)")
        ->check(CLI::PositiveNumber);
    verb->add_option("--property-tolerance", arguments->options.propertyTolerance,
                     "Relative tolerance of volumes, areas and centroids (default 1e-4)")
        ->check(CLI::PositiveNumber);
    verb->add_option("--deflection", arguments->options.deflection,
                     "Against a mesh file: the deflection in MM it was written with (export "
                     "--deflection), by which its meshing is told from a loss (default 0.1 % of "
                     "each part's size, as export meshes)")
        ->type_name("MM")
        ->check(CLI::PositiveNumber);
    verb->add_flag("--json", arguments->json, "Print one JSON document instead");
    return {verb, [arguments](const RunLimits&) { return RunCompare(*arguments); },
            [arguments] { return arguments->first; }};
}

} // namespace orvex::cli
