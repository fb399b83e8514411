#include "verbs/Verbs.h"
#include "verbs/WriteChoiceOptions.h"

#include "FileDiagnosis.h"
#include "ModelCompare.h"
#include "ModelWriting.h"

#include "Geometry/IO/ModelFormat.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeModelWriter.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct ExportOptions {
    std::string input;
    std::string output;
    std::string select; // name of a part, assembly or instance to write alone; empty: all
    WriteChoices choices;
    bool verify = false; // read the file back and compare it with what it was written from
};

// Reads any model file and writes it, or the subtree `select` names, in the format of the
// output's extension. The output is written whole or not at all.
int RunExport(const ExportOptions& options)
{
    XdeWriteOptions writeOptions;
    const ModelFormat* format = ModelFormat::ForPath(options.output);
    if (format == nullptr || !format->writable) {
        PrintWriteFailure(CannotWriteText(
            options.output,
            UnknownFormatText(std::filesystem::path(options.output).extension().string())));
        return 1;
    }
    XdeDocumentImpl model;
    if (!ReadForWriting(options.input, options.choices, writeOptions, model)) {
        return 1;
    }
    XdeDocumentImpl selected;
    XdeDocumentImpl* written = &model;
    if (!options.select.empty()) {
        const TDF_Label label = XdeModelEdit::FindNamed(model, options.select);
        if (label.IsNull() || !XdeModelEdit::Extract(model, label, true, selected)) {
            PrintWriteFailure(NoSuchElementText(options.select));
            return 1;
        }
        written = &selected;
    }
    const XdeWriteResult result = XdeModelWriter::Save(options.output, *written, writeOptions);
    if (!result) {
        PrintWriteFailure(CannotWriteText(options.output, result.failure));
        return 1;
    }
    PrintNotKept(options.output, result.warnings);
    std::cout << "wrote " << options.output << " (" << FileSize(options.output) << " bytes)\n";
    if (!options.verify) {
        return 0;
    }
    const WriteVerdict verdict = VerifyWritten(*written, options.input, options.output);
    PrintVerdict(options.output, verdict);
    return verdict.equal ? 0 : 1;
}

} // namespace

Verb AddExportVerb(CLI::App& app)
{
    const auto options = std::make_shared<ExportOptions>();
    CLI::App* verb = app.add_subcommand(
        "export", "Write a model file (or one part of it) to another format, keeping its "
                  "tree, names, colours, layers and dimensions where the format can hold them");
    verb->add_option("IN", options->input, "Any model file the program reads")->required();
    verb->add_option("OUT", options->output,
                     "The file to write; its extension sets the format (" +
                         ModelFormat::WritableNames() + ")")
        ->required();
    AddWriteChoices(*verb, options->choices);
    verb->add_option(
        "--select", options->select,
        "Write only the part, assembly or instance of this name, placed as in the model");
    verb->add_flag("--verify", options->verify,
                   "Read the file written back and compare it with the model it was written "
                   "from; exit 1 when it reads back different");
    return {verb, [options](const RunLimits&) { return RunExport(*options); },
            [options] { return options->input; }};
}

} // namespace orvex::cli
