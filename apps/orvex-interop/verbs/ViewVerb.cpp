#include "verbs/Verbs.h"

#include "ReportPrinter.h"

#include "orvex/Page.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

namespace orvex::cli {

namespace {

struct ViewOptions {
    std::string file;
    std::string output;
};

// The offline 3D page of a file, beside it in the current folder unless told.
int RunView(const ViewOptions& options)
{
    const std::string output = !options.output.empty()
                                   ? options.output
                                   : std::filesystem::path(options.file).stem().string() + ".html";
    const PageReport report = WritePage(options.file, output);
    if (!report.Ok()) {
        PrintFailure(report.failure);
        return 1;
    }
    std::cout << output << "\n";
    return 0;
}

} // namespace

Verb AddViewVerb(CLI::App& app)
{
    const auto options = std::make_shared<ViewOptions>();
    CLI::App* verb = app.add_subcommand(
        "view", "Write an offline 3D page of a file: the model, its element tree, its "
                "dimensions");
    verb->add_option("FILE", options->file,
                     "A STEP or IGES file, a VRML scene, or any model file Import reads")
        ->required();
    verb->add_option("-o,--output", options->output,
                     "The page to write (default: the file's name with .html, here)");
    return {verb, [options](const RunLimits&) { return RunView(*options); },
            [options] { return options->file; }};
}

} // namespace orvex::cli
