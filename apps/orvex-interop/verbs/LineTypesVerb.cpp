#include "verbs/Verbs.h"

#include "FileDiagnosis.h"
#include "LineStylePrinter.h"
#include "PrintFormat.h"

#include "Common/Core/LoadFailure.h"
#include "Data/App/DocumentManager.h"
#include "Data/Kernel/Document.h"
#include "LineStyleReader.h"

#include <CLI/CLI.hpp>

#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct LineTypesOptions {
    std::string file;
    bool json = false;
};

int RunLineTypes(const LineTypesOptions& options)
{
    // The reader itself says nothing about a file it cannot open.
    if (const LoadFailure failure = LoadFailure::CheckFile(options.file)) {
        PrintError(options.file, failure);
        return 1;
    }
    const std::shared_ptr<Document> document = DocumentManager::Instance().NewDocument();
    const LineStyleReadOutcome outcome = LineStyleReader(document.get()).Read(options.file);
    if (!outcome.failure.empty()) {
        PrintError(options.file, outcome.failure);
        return 1;
    }
    PrintWarnings(options.file, outcome.problems);
    LineStylePrinter printer(*document);
    if (printer.IsEmpty()) {
        PrintError(options.file, "no line-style definitions (a \"*NAME,description\" "
                                 "line followed by an \"A,...\" line)");
        return 1;
    }
    Print(printer, options.file, options.json);
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
