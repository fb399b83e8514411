#include "verbs/Verbs.h"

#include "Data/App/DocumentPrinter.h"
#include "FileDiagnosis.h"
#include "PrintFormat.h"

#include "Common/Core/LoadFailure.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/PathUtil.h"
#include "Data/App/DocumentExchanger.h"
#include "Data/App/DocumentExchangerManager.h"
#include "Data/App/DocumentManager.h"
#include "Data/Kernel/Document.h"
#include "InteropKeys.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct OpenOptions {
    std::string file;
    bool noColor = false;
    bool json = false;
};

// Opens the file through the exchanger registry, the way the application opens a document.
int RunOpen(const OpenOptions& options)
{
    const std::string extension = PathUtil::Extension(options.file);
    DocumentExchanger* exchanger = DocumentExchangerManager::Instance().FindByExtension(extension);
    if (exchanger == nullptr) {
        std::cerr << "orvex-interop: error: cannot open '" << options.file
                  << "': no document exchanger takes the extension '" << extension << "'\n";
        return 1;
    }
    exchanger->GetSettings()->Add(InteropKeys::UseColor,
                                  ParameterCreator::Create(!options.noColor));
    // A new document, as the application makes one for a file it opens.
    const std::shared_ptr<Document> document = DocumentManager::Instance().NewDocument();
    LoadFailure::Clear();
    if (!exchanger->LoadFile(document.get(), options.file)) {
        PrintError(options.file, LoadFailure::Last());
        return 1;
    }
    Print(orvkit::DocumentPrinter(*document), options.file, options.json);
    return 0;
}

} // namespace

Verb AddOpenVerb(CLI::App& app)
{
    const auto options = std::make_shared<OpenOptions>();
    CLI::App* verb = app.add_subcommand(
        "open", "Open a file as a document through the registered document exchangers");
    verb->add_option("FILE", options->file, "A file whose extension an exchanger takes")
        ->required();
    verb->add_flag("--no-color", options->noColor, "Do not build per-face colour tables");
    verb->add_flag("--json", options->json, "Print one JSON document instead of the tree");
    return {verb, [options](const RunLimits&) { return RunOpen(*options); },
            [options] { return options->file; }};
}

} // namespace orvex::cli
