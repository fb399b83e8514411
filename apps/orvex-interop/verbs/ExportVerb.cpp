#include "verbs/Verbs.h"
#include "verbs/WriteChoiceOptions.h"

#include "PrintFormat.h"
#include "ReportPrinter.h"
#include "TerminalProgress.h"

#include "orvex/Convert.h"
#include "orvex/Read.h"
#include "orvex/Write.h"

#include "Geometry/IO/ModelFormat.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct ExportArguments {
    std::string input;
    std::string output;
    WriteOptions options; // with the part to write alone, and whether to verify
    // As a child of `convert`: one line of JSON on standard output instead of the text.
    bool report = false;
};

// Reads any model file and writes it, or the subtree `select` names, in the format of the
// output's extension. The output is written whole or not at all.
int RunExport(const ExportArguments& arguments)
{
    if (arguments.report) {
        const ConvertedFile file =
            ConvertFile(arguments.input, arguments.output, arguments.options);
        std::cout << file.ToJson().dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                  << "\n";
        return file.ok ? 0 : 1;
    }
    // What cannot be written is said before the file is read.
    if (const std::string problem = CheckWriteOptions(arguments.output, arguments.options);
        !problem.empty()) {
        PrintFailure(problem);
        return 1;
    }
    ReadResult read = ReadModel(arguments.input);
    if (!read) {
        return 1;
    }
    WriteOptions options = arguments.options;
    const ShownProgress progress;
    options.progress = progress.Function();
    const WriteReport report = Write(std::move(*read.model), arguments.output, options);
    if (!report.failure.empty()) {
        PrintFailure(report.failure);
        return 1;
    }
    PrintWritten(report);
    return report.Ok() ? 0 : 1;
}

} // namespace

Verb AddExportVerb(CLI::App& app)
{
    const auto arguments = std::make_shared<ExportArguments>();
    CLI::App* verb = app.add_subcommand(
        "export", "Write a model file (or one part of it) to another format, keeping its "
                  "tree, names, colours, layers and dimensions where the format can hold them");
    verb->add_option("IN", arguments->input, "Any model file the program reads")->required();
    verb->add_option("OUT", arguments->output,
                     "The file to write; its extension sets the format (" +
                         ModelFormat::WritableNames() + ")")
        ->required();
    AddWriteChoices(*verb, arguments->options);
    verb->add_option(
        "--select", arguments->options.select,
        "Write only the part, assembly or instance of this name, placed as in the model");
    verb->add_flag("--verify", arguments->options.verify,
                   "Read the file written back and compare it with the model it was written "
                   "from; exit 1 when it reads back different");
    // Not in --help: how `convert` runs each file.
    verb->add_flag(kConvertChildFlag, arguments->report)->group("");
    return {verb, [arguments](const RunLimits&) { return RunExport(*arguments); },
            [arguments] { return arguments->input; }};
}

} // namespace orvex::cli
