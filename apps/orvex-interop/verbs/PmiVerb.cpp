#include "verbs/Verbs.h"

#include "PrintFormat.h"
#include "ReportPrinter.h"

#include "orvex/Pmi.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace orvex::cli {

namespace {

struct PmiArguments {
    std::string file;
    bool json = false;
};

// Reads a model file and lists its semantic PMI (see orvex::ReadPmi), as text or one JSON
// document. Exit code: 0 when the file was read, with or without PMI; 2 when it cannot be.
int RunPmi(const PmiArguments& arguments)
{
    const ReadResult read = ReadModel(arguments.file);
    if (!read) {
        return 2;
    }
    PmiList list = ReadPmi(*read.model);
    list.file = arguments.file;
    if (arguments.json) {
        std::cout << JsonText(list.ToJson()) << "\n";
    } else {
        PrintPmi(std::cout, list, orvkit::PathUtil::GetFileName(arguments.file) + ":");
    }
    return 0;
}

} // namespace

Verb AddPmiVerb(CLI::App& app)
{
    const auto arguments = std::make_shared<PmiArguments>();
    CLI::App* verb = app.add_subcommand(
        "pmi", "List the product manufacturing information a file carries: dimensions, "
               "geometric tolerances, datums and datum targets, each with the faces and edges "
               "it controls; millimetres and degrees");
    verb->add_option("FILE", arguments->file, "Any model file the program reads")->required();
    verb->add_flag("--json", arguments->json, "Print one JSON document instead");
    return {verb, [arguments](const RunLimits&) { return RunPmi(*arguments); },
            [arguments] { return arguments->file; }};
}

} // namespace orvex::cli
