#include "verbs/Verbs.h"

#include "ReportPrinter.h"

#include "orvex/Page.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <sstream>

namespace orvex::cli {

namespace {

struct SnapshotArguments {
    std::string file;
    std::string output;
    std::string size = "1200x800";
    std::string view = "iso";
};

// A picture of the same scene the page shows.
int RunSnapshot(const SnapshotArguments& options)
{
    orvex::SnapshotOptions request;
    char separator = 0;
    std::istringstream size(options.size);
    if (!(size >> request.width >> separator >> request.height) || separator != 'x' ||
        request.width < 16 || request.height < 16 || request.width > 8192 ||
        request.height > 8192) {
        std::cerr << "orvex-interop: error: --size takes WIDTHxHEIGHT in pixels, 16 to 8192 "
                     "(not '"
                  << options.size << "')\n";
        return 1;
    }
    request.view = options.view;
    const PageReport report = WriteSnapshot(options.file, options.output, request);
    if (!report.Ok()) {
        PrintFailure(report.failure);
        return 1;
    }
    std::cout << options.output << "\n";
    return 0;
}

} // namespace

Verb AddSnapshotVerb(CLI::App& app)
{
    const auto options = std::make_shared<SnapshotArguments>();
    CLI::App* verb = app.add_subcommand(
        "snapshot", "Write a PNG picture of a file's model, drawn by headless Chromium");
    verb->add_option("FILE", options->file,
                     "A STEP or IGES file, a VRML scene, or any model file Import reads")
        ->required();
    verb->add_option("OUT", options->output, "The .png file to write")->required();
    verb->add_option("--size", options->size, "WIDTHxHEIGHT in pixels (default 1200x800)");
    verb->add_option("--view", options->view, "The direction to look from (default iso)")
        ->check(CLI::IsMember(ViewNames()));
    return {verb, [options](const RunLimits&) { return RunSnapshot(*options); },
            [options] { return options->file; }};
}

} // namespace orvex::cli
