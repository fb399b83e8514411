#include "verbs/Verbs.h"

#include "Data/App/DocumentPrinter.h"
#include "FileDiagnosis.h"
#include "PrintFormat.h"

#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Xde2Doc.h"

#include <CLI/CLI.hpp>

#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct ImportOptions {
    std::string file;
    bool assembly = false;
    bool noColor = false;
    bool json = false;
    std::string codePage;
    bool stockReader = false;
    bool stockParser = false;
};

int RunImport(const ImportOptions& options)
{
    Xde2Doc converter;
    converter.SetUseColor(!options.noColor);
    converter.SetCreateAssembly(options.assembly);
    if (!options.codePage.empty()) {
        converter.GetSettings()->Add(StepModelReader::CodePageKey,
                                     ParameterCreator::Create(options.codePage));
    }
    for (const auto& [key, on] :
         {std::pair{StepModelReader::StockReaderKey, options.stockReader},
          std::pair{StepModelReader::StockParserKey, options.stockParser}}) {
        if (on) {
            converter.GetSettings()->Add(key, ParameterCreator::Create(true));
        }
    }
    if (!converter.LoadIgnoringCase(options.file)) {
        PrintError(options.file, converter.GetLastFailure());
        return 1;
    }
    PrintWarnings(options.file, converter.GetReadWarnings());
    converter.Transfer();
    Print(orvkit::DocumentPrinter(*converter.GetDocument()), options.file, options.json);
    return 0;
}

} // namespace

Verb AddImportVerb(CLI::App& app)
{
    const auto options = std::make_shared<ImportOptions>();
    CLI::App* verb = app.add_subcommand(
        "import", "Import a STEP or IGES file with its assembly structure and print the document");
    verb->add_option("FILE", options->file, "A .step, .stp, .iges or .igs file")->required();
    verb->add_flag("--assembly", options->assembly,
                   "Split compounds into assemblies; keep a sole root assembly an assembly");
    verb->add_flag("--no-color", options->noColor, "Do not build per-face colour tables");
    verb->add_flag("--json", options->json, "Print one JSON document instead of the tree");
    verb->add_option("--codepage", options->codePage,
                     "Encoding of 8-bit names in STEP files that do not declare one "
                     "(UTF8 by default; CP1251, iso8859-5, SJIS, GB, ...)");
    verb->add_flag("--stock-reader", options->stockReader,
                   "Translate STEP with OpenCASCADE's own assembly reader (slower on large "
                   "assemblies; the document is the same)");
    verb->add_flag("--stock-parser", options->stockParser,
                   "Parse STEP with OpenCASCADE's own parser (about three times slower, one file "
                   "at a time; the document is the same)");
    return {verb, [options](const RunLimits&) { return RunImport(*options); },
            [options] { return options->file; }};
}

} // namespace orvex::cli
