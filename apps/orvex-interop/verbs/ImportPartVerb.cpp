#include "verbs/CommandRun.h"
#include "verbs/Verbs.h"

#include "Common/Core/ParameterDict.h"
#include "InteropKeys.h"

#include <CLI/CLI.hpp>

#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct ImportPartOptions {
    std::string file;
    std::string docType; // empty: the command's default
    bool json = false;
};

// Runs "ImportAsPart" on the file and prints the document with its sub-document.
int RunImportPart(const ImportPartOptions& options)
{
    ParameterDict parameters;
    if (!options.docType.empty()) {
        parameters.Add(InteropKeys::DocType, ParameterCreator::Create(options.docType));
    }
    return RunOnNewDocument(InteropKeys::ImportAsPartCommand, {options.file}, parameters, false,
                            options.json, options.file);
}

} // namespace

Verb AddImportPartVerb(CLI::App& app)
{
    const auto options = std::make_shared<ImportPartOptions>();
    CLI::App* verb = app.add_subcommand(
        "import-part", "Import a STEP or IGES file as a sub-document placed in a new document");
    verb->add_option("FILE", options->file, "A .step, .stp, .iges or .igs file")->required();
    verb->add_option("--doc-type", options->docType, "Type of the sub-document (default ORVX)");
    verb->add_flag("--json", options->json, "Print one JSON document instead");
    return {verb, [options](const RunLimits&) { return RunImportPart(*options); },
            [options] { return options->file; }};
}

} // namespace orvex::cli
