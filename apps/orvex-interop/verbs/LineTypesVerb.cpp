#include "verbs/Verbs.h"

#include "FileDiagnosis.h"
#include "LineStylePrinter.h"
#include "LoadLog.h"
#include "PrintFormat.h"

#include "Common/Core/LoadFailure.h"
#include "Common/Core/Logger.h"
#include "Data/App/DocumentManager.h"
#include "Data/Kernel/Document.h"
#include "LineStyleReader.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <stdexcept>
#include <vector>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct LineTypesOptions {
    std::string file;
    bool json = false;
};

// Warnings for definitions the reader had to skip; its notes about pattern keys it does not
// know (rotation "R=", say) are left out, as such patterns are otherwise read whole.
void PrintSkippedDefinitions(const std::string& file, const std::vector<LogRecord>& log)
{
    for (const LogRecord& record : log) {
        if (record.level >= 3) {
            std::cerr << "orvex-interop: warning: '" << file << "': " << record.text << "\n";
        }
    }
}

int RunLineTypes(const LineTypesOptions& options)
{
    // The reader itself says nothing about a file it cannot open.
    if (const LoadFailure failure = LoadFailure::CheckFile(options.file)) {
        PrintError(options.file, failure);
        return 1;
    }
    const std::shared_ptr<Document> document = DocumentManager::Instance().NewDocument();
    {
        LoadLog log;
        try {
            LineStyleReader(document.get()).Load(options.file);
        } catch (const std::logic_error& error) {
            // A value that is not a number (std::invalid_argument) or beyond a double
            // (std::out_of_range); the message names the text.
            PrintError(options.file, error.what());
            return 1;
        }
        PrintSkippedDefinitions(options.file, log.GetRecords());
    }
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
