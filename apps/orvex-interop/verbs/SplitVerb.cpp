#include "verbs/Verbs.h"
#include "verbs/WriteChoiceOptions.h"

#include "ReportPrinter.h"

#include "orvex/Read.h"
#include "orvex/Split.h"

#include "Geometry/IO/ModelFormat.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct SplitArguments {
    std::string input;
    std::string folder; // made when it does not exist
    SplitOptions options;
};

// Reads any model file and writes each distinct child of the assembly to a file of its own,
// with a manifest (see orvex::Split).
int RunSplit(const SplitArguments& arguments)
{
    // What cannot be written is said before the file is read.
    if (const std::string problem = CheckSplitOptions(arguments.options); !problem.empty()) {
        PrintFailure(problem);
        return 1;
    }
    const ReadResult read = ReadModel(arguments.input);
    if (!read) {
        return 1;
    }
    const SplitReport report = Split(*read.model, arguments.folder, arguments.options);
    PrintSplit(std::cout, report);
    return report.Ok() ? 0 : 1;
}

} // namespace

Verb AddSplitVerb(CLI::App& app)
{
    const auto arguments = std::make_shared<SplitArguments>();
    CLI::App* verb = app.add_subcommand(
        "split", "Write each child of an assembly to a file of its own, with a manifest.json of "
                 "the files, instance counts and placements");
    verb->add_option("IN", arguments->input, "Any model file the program reads")->required();
    verb->add_option("OUTDIR", arguments->folder, "The folder to write into (made if missing)")
        ->required();
    verb->add_option("--assembly", arguments->options.assembly,
                     "The assembly whose children to write (default: the top-level one)");
    verb->add_option("--format", arguments->options.format,
                     "Format of the files: " + ModelFormat::WritableNames() + " (default stp)");
    AddWriteChoices(*verb, arguments->options.write);
    return {verb, [arguments](const RunLimits&) { return RunSplit(*arguments); },
            [arguments] { return arguments->input; }};
}

} // namespace orvex::cli
