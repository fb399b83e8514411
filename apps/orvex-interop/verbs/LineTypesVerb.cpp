#include "verbs/Verbs.h"

#include "FileDiagnosis.h"
#include "LineStylePrinter.h"
#include "PrintFormat.h"

#include "orvex/LineStyles.h"

#include <CLI/CLI.hpp>

#include <memory>

namespace orvex::cli {

namespace {

struct LineTypesOptions {
    std::string file;
    bool json = false;
};

int RunLineTypes(const LineTypesOptions& options)
{
    const LineStylesResult result = ReadLineStyles(options.file);
    PrintWarnings(options.file, result.warnings);
    if (!result) {
        PrintError(options.file, result.failure.reason);
        return 1;
    }
    Print(LineStylePrinter(*result.document), options.file, options.json);
    return 0;
}

} // namespace

Verb AddLineTypesVerb(CLI::App& app)
{
    const auto options = std::make_shared<LineTypesOptions>();
    CLI::App* verb = app.add_subcommand(
        "linetypes", "Read a .lin file of line-type definitions and print its line styles");
    verb->add_option("FILE", options->file, "An AutoCAD-style .lin file")->required();
    verb->add_flag("--json", options->json, "Print one JSON document instead");
    return {verb, [options](const RunLimits&) { return RunLineTypes(*options); },
            [options] { return options->file; }};
}

} // namespace orvex::cli
