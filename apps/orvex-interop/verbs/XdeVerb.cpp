#include "verbs/Verbs.h"

#include "FileDiagnosis.h"
#include "PrintFormat.h"
#include "XdePrinter.h"

#include "Common/Core/LoadFailure.h"
#include "Common/Core/StringUtil.h"
#include "XdeDocumentI.h"

#include <CLI/CLI.hpp>

#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct XdeOptions {
    std::string file;
    bool json = false;
};

// Walks the file's labels through the exported node interface.
int RunXde(const XdeOptions& options)
{
    XdeDocumentI document;
    LoadFailure::Clear();
    if (!document.OpenIgnoringCase(StringUtil::ToW(options.file))) {
        PrintError(options.file, LoadFailure::Last());
        return 1;
    }
    Print(XdePrinter(document), options.file, options.json);
    return 0;
}

} // namespace

Verb AddXdeVerb(CLI::App& app)
{
    const auto options = std::make_shared<XdeOptions>();
    CLI::App* verb = app.add_subcommand(
        "xde", "Walk the labels of a STEP or IGES file through the XDE node interface");
    verb->add_option("FILE", options->file, "A .step, .stp, .iges or .igs file")->required();
    verb->add_flag("--json", options->json, "Print one JSON document instead of the tree");
    return {verb, [options](const RunLimits&) { return RunXde(*options); },
            [options] { return options->file; }};
}

} // namespace orvex::cli
