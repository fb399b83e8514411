// orvex-interop: the command-line host of the Orvex.Interop.Data plugin.
#include "BatchConvert.h"
#include "CommandSession.h"
#include "CommandVerbs.h"
#include "DocumentPrinter.h"
#include "ExportVerbs.h"
#include "FileDiagnosis.h"
#include "GuardedRun.h"
#include "LineStylePrinter.h"
#include "ModelCheck.h"
#include "ModelCompare.h"
#include "PrintFormat.h"
#include "ScenePrinter.h"
#include "Snapshot.h"
#include "TerminalProgress.h"
#include "ViewPage.h"
#include "XdePrinter.h"

#include "Common/Core/LoadFailure.h"
#include "Common/Core/Logger.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/PathUtil.h"
#include "Common/Core/Progress.h"
#include "Common/Core/StderrLogSink.h"
#include "Common/Core/StringUtil.h"
#include "Data/App/DocumentExchanger.h"
#include "Data/App/DocumentExchangerManager.h"
#include "Data/App/DocumentManager.h"
#include "Data/Kernel/Document.h"
#include "Geometry/IO/ModelFormat.h"
#include "Graphics/SceneExchangeManager.h"
#include "Graphics/SceneNode.h"
#include "LineStyleReader.h"
#include "RegisterInteropDataModule.h"
#include "Xde2Doc.h"
#include "XdeDocumentI.h"

#include <Standard_Failure.hxx>

#include <CLI/CLI.hpp>

#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <tuple>

#include <unistd.h>

namespace {

using namespace orvkit;
using orvex::cli::DocumentPrinter;

struct ImportOptions {
    std::string file;
    bool assembly = false;
    bool noColor = false;
    bool json = false;
    std::string codePage;
    bool stockReader = false;
};

int RunImport(const ImportOptions& options)
{
    Xde2Doc converter;
    converter.SetUseColor(!options.noColor);
    converter.SetCreateAssembly(options.assembly);
    if (!options.codePage.empty()) {
        converter.GetSettings()->Add("CodePage", ParameterCreator::Create(options.codePage));
    }
    if (options.stockReader) {
        converter.GetSettings()->Add("StockReader", ParameterCreator::Create(true));
    }
    if (!converter.Load(options.file)) {
        orvex::cli::PrintError(options.file, converter.GetLastFailure());
        return 1;
    }
    converter.Transfer();
    Print(DocumentPrinter(*converter.GetDocument()), options.file, options.json);
    return 0;
}

// The page of any file the program reads: STEP and IGES through Xde2Doc, scenes (VRML)
// through the scene readers, anything else through the "Import" command. Null once the reason
// is printed.
std::unique_ptr<orvex::cli::ViewPage> PageOf(const std::string& file)
{
    const std::string extension = PathUtil::Extension(file);
    const ModelFormat* format = ModelFormat::ForExactExtension(extension);
    if (format != nullptr && format->kind == ModelFormat::KindCad) {
        Xde2Doc converter;
        if (!converter.Load(file)) {
            orvex::cli::PrintError(file, converter.GetLastFailure());
            return nullptr;
        }
        converter.Transfer();
        return std::make_unique<orvex::cli::ViewPage>(*converter.GetDocument(), file);
    }
    if (SceneExchangeManager::Instance().FindReader(extension) != nullptr) {
        const std::shared_ptr<SceneNode> root = SceneExchangeManager::Instance().Load(file);
        if (!root) {
            orvex::cli::PrintError(file, LoadFailure::Last());
            return nullptr;
        }
        return std::make_unique<orvex::cli::ViewPage>(*root, file);
    }
    orvex::cli::CommandSession session;
    ParameterDict parameters;
    if (!session.Run("Import", {file}, parameters, false, parameters)) {
        return nullptr;
    }
    return std::make_unique<orvex::cli::ViewPage>(session.GetDocument(), file);
}

struct ViewOptions {
    std::string file;
    std::string output;
};

// The offline 3D page of a file, beside it in the current folder unless told.
int RunView(const ViewOptions& options)
{
    const std::unique_ptr<orvex::cli::ViewPage> page = PageOf(options.file);
    if (!page) {
        return 1;
    }
    const std::string output = !options.output.empty()
                                   ? options.output
                                   : std::filesystem::path(options.file).stem().string() + ".html";
    std::string error;
    if (!page->Write(output, error)) {
        orvex::cli::PrintError(output, error);
        return 1;
    }
    std::cout << output << "\n";
    return 0;
}

struct SnapshotOptions {
    std::string file;
    std::string output;
    std::string size = "1200x800";
    std::string view = "iso";
};

// A picture of the same scene the page shows.
int RunSnapshot(const SnapshotOptions& options)
{
    orvex::cli::SnapshotRequest request;
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
    const std::unique_ptr<orvex::cli::ViewPage> page = PageOf(options.file);
    if (!page) {
        return 1;
    }
    std::string error;
    if (!orvex::cli::TakeSnapshot(*page, request, options.output, error)) {
        orvex::cli::PrintError(options.output, error);
        return 1;
    }
    std::cout << options.output << "\n";
    return 0;
}

struct XdeOptions {
    std::string file;
    bool json = false;
};

// Walks the file's labels through the exported node interface.
int RunXde(const XdeOptions& options)
{
    XdeDocumentI document;
    LoadFailure::Clear();
    if (!document.Open(StringUtil::ToW(options.file))) {
        orvex::cli::PrintError(options.file, LoadFailure::Last());
        return 1;
    }
    Print(orvex::cli::XdePrinter(document), options.file, options.json);
    return 0;
}

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
    exchanger->GetSettings()->Add("UseColor", ParameterCreator::Create(!options.noColor));
    // A new document, as the application makes one for a file it opens.
    const std::shared_ptr<Document> document = DocumentManager::Instance().NewDocument();
    LoadFailure::Clear();
    if (!exchanger->LoadFile(document.get(), options.file)) {
        orvex::cli::PrintError(options.file, LoadFailure::Last());
        return 1;
    }
    Print(DocumentPrinter(*document), options.file, options.json);
    return 0;
}

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
        orvex::cli::PrintError(options.file, failure);
        return 1;
    }
    const std::shared_ptr<Document> document = DocumentManager::Instance().NewDocument();
    {
        orvex::cli::LoadLog log;
        try {
            LineStyleReader(document.get()).Load(options.file);
        } catch (const std::logic_error& error) {
            // A value that is not a number (std::invalid_argument) or beyond a double
            // (std::out_of_range); the message names the text.
            orvex::cli::PrintError(options.file, error.what());
            return 1;
        }
        PrintSkippedDefinitions(options.file, log.GetRecords());
    }
    orvex::cli::LineStylePrinter printer(*document);
    if (printer.IsEmpty()) {
        orvex::cli::PrintError(options.file, "no line-style definitions (a \"*NAME,description\" "
                                             "line followed by an \"A,...\" line)");
        return 1;
    }
    Print(printer, options.file, options.json);
    return 0;
}

struct SceneOptions {
    std::string file;
    bool json = false;
};

// Loads the file through the scene reader registry, the way the application loads a scene.
int RunScene(const SceneOptions& options)
{
    const std::shared_ptr<SceneNode> root = SceneExchangeManager::Instance().Load(options.file);
    if (!root) {
        orvex::cli::PrintError(options.file, LoadFailure::Last());
        return 1;
    }
    const orvex::cli::ScenePrinter printer(*root);
    Print(printer, options.file, options.json);
    return 0;
}

// The options every verb that writes models shares.
void AddWriteChoices(CLI::App& verb, orvex::cli::WriteChoices& choices)
{
    verb.add_option("--from", choices.from,
                    "Axis convention of the model: 0 or x-up, 1 or y-up, 2 or z-up (default)");
    verb.add_option("--to", choices.to, "Axis convention of the file written (default z-up)");
    verb.add_option("--unit", choices.unit,
                    "Length unit of the file written: mm (default), cm, m, in, ft, ... (glTF "
                    "is always in metres)");
    verb.add_option("--deflection", choices.deflection,
                    "Mesh formats: largest distance from surface to triangles in mm (default "
                    "0.1 % of each part's size)")
        ->check(CLI::PositiveNumber);
    verb.add_option("--angle", choices.angle,
                    "Mesh formats: largest angle between neighbouring triangles in radians "
                    "(default 0.5)")
        ->check(CLI::PositiveNumber);
}

} // namespace

int main(int argc, char** argv)
{
    RegisterInteropDataModule();

    CLI::App app{"orvex-interop: STEP and IGES assemblies, any model file, .lin line types and "
                 "VRML scenes read into framework documents"};
    app.require_subcommand(1);
    // Long enough for the largest real assemblies, short enough that a translator stuck in a
    // loop does not hold a batch job for good.
    double timeout = 900;
    app.add_option("--timeout", timeout,
                   "Give up reading a file after SECONDS (default 900; 0: no limit)")
        ->check(CLI::NonNegativeNumber);
    double maxMemory = orvex::cli::DefaultMemoryLimit();
    app.add_option("--max-memory", maxMemory,
                   "Give up reading a file once the program holds more than MB megabytes of "
                   "memory (default three quarters of this machine's: " +
                       std::to_string(static_cast<long long>(maxMemory)) + "; 0: no limit)")
        ->check(CLI::NonNegativeNumber);
    int verbosity = 0;
    app.add_flag("-v,--verbose", verbosity,
                 "Show the log on standard error (-v notes and errors, -vv everything)");

    ImportOptions import;
    CLI::App* importVerb = app.add_subcommand(
        "import", "Import a STEP or IGES file with its assembly structure and print the document");
    importVerb->add_option("FILE", import.file, "A .step, .stp, .iges or .igs file")->required();
    importVerb->add_flag("--assembly", import.assembly,
                         "Split compounds into assemblies; keep a sole root assembly an assembly");
    importVerb->add_flag("--no-color", import.noColor, "Do not build per-face colour tables");
    importVerb->add_flag("--json", import.json, "Print one JSON document instead of the tree");
    importVerb->add_option("--codepage", import.codePage,
                           "Encoding of 8-bit names in STEP files that do not declare one "
                           "(UTF8 by default; CP1251, iso8859-5, SJIS, GB, ...)");
    importVerb->add_flag("--stock-reader", import.stockReader,
                         "Translate STEP with OpenCASCADE's own assembly reader (slower on large "
                         "assemblies; the document is the same)");

    ViewOptions view;
    CLI::App* viewVerb = app.add_subcommand(
        "view", "Write an offline 3D page of a file: the model, its element tree, its "
                "dimensions");
    viewVerb
        ->add_option("FILE", view.file,
                     "A STEP or IGES file, a VRML scene, or any model file Import reads")
        ->required();
    viewVerb->add_option("-o,--output", view.output,
                         "The page to write (default: the file's name with .html, here)");

    SnapshotOptions snapshot;
    CLI::App* snapshotVerb = app.add_subcommand(
        "snapshot", "Write a PNG picture of a file's model, drawn by headless Chromium");
    snapshotVerb
        ->add_option("FILE", snapshot.file,
                     "A STEP or IGES file, a VRML scene, or any model file Import reads")
        ->required();
    snapshotVerb->add_option("OUT", snapshot.output, "The .png file to write")->required();
    snapshotVerb->add_option("--size", snapshot.size, "WIDTHxHEIGHT in pixels (default 1200x800)");
    snapshotVerb->add_option("--view", snapshot.view, "The direction to look from (default iso)")
        ->check(CLI::IsMember(orvex::cli::ViewNames()));

    XdeOptions xde;
    CLI::App* xdeVerb = app.add_subcommand(
        "xde", "Walk the labels of a STEP or IGES file through the XDE node interface");
    xdeVerb->add_option("FILE", xde.file, "A .step, .stp, .iges or .igs file")->required();
    xdeVerb->add_flag("--json", xde.json, "Print one JSON document instead of the tree");

    OpenOptions open;
    CLI::App* openVerb = app.add_subcommand(
        "open", "Open a file as a document through the registered document exchangers");
    openVerb->add_option("FILE", open.file, "A file whose extension an exchanger takes")
        ->required();
    openVerb->add_flag("--no-color", open.noColor, "Do not build per-face colour tables");
    openVerb->add_flag("--json", open.json, "Print one JSON document instead of the tree");

    LineTypesOptions lineTypes;
    CLI::App* lineTypesVerb = app.add_subcommand(
        "linetypes", "Read a .lin file of line-type definitions and print its line styles");
    lineTypesVerb->add_option("FILE", lineTypes.file, "An AutoCAD-style .lin file")->required();
    lineTypesVerb->add_flag("--json", lineTypes.json, "Print one JSON document instead");
    SceneOptions scene;
    CLI::App* sceneVerb = app.add_subcommand(
        "scene", "Load a VRML scene through the registered scene readers and print its node tree");
    sceneVerb->add_option("FILE", scene.file, "A .wrl file")->required();
    sceneVerb->add_flag("--json", scene.json, "Print one JSON document instead of the tree");

    orvex::cli::RunOptions run;
    CLI::App* runVerb = app.add_subcommand(
        "run", "Run a registered command on a new document and print the document");
    runVerb->add_option("COMMAND", run.command, "The command's name (see 'commands')")->required();
    runVerb->add_option("ANSWER", run.answers,
                        "Answers to the command's file and folder dialogs, in order; a dialog "
                        "with no answer left is cancelled");
    runVerb
        ->add_option("--set", run.settings,
                     "KEY=VALUE: a command parameter (true/false, a number or text), also "
                     "given to the named dialogs the command shows")
        ->allow_extra_args(false);
    runVerb->add_flag("--batch", run.batch, "Run without dialogs, from the parameters");
    runVerb->add_flag("--json", run.json, "Print one JSON document instead of the tree");

    orvex::cli::ReadOptions read;
    CLI::App* readVerb = app.add_subcommand(
        "read", "Import any model file the shape reader knows (STEP, IGES, BREP, STL, OBJ, "
                "glTF) through the \"Import\" command, with optional repair");
    readVerb->add_option("FILE", read.file, "The model file")->required();
    readVerb
        ->add_option("--fix-edges", read.edgeLength,
                     "Remove edges shorter than LENGTH (mm) after reading")
        ->check(CLI::PositiveNumber);
    readVerb
        ->add_option("--make-solid", read.solidTolerance,
                     "Sew the faces within TOLERANCE (mm) and make a solid of them")
        ->check(CLI::PositiveNumber);
    readVerb->add_flag("--batch", read.batch,
                       "Run the batch form: one element, compounds not split");
    readVerb->add_flag("--json", read.json, "Print one JSON document instead of the tree");

    orvex::cli::ImportPartOptions importPart;
    CLI::App* importPartVerb = app.add_subcommand(
        "import-part", "Import a STEP or IGES file as a sub-document placed in a new document");
    importPartVerb->add_option("FILE", importPart.file, "A .step, .stp, .iges or .igs file")
        ->required();
    importPartVerb->add_option("--doc-type", importPart.docType,
                               "Type of the sub-document (default ORVX)");
    importPartVerb->add_flag("--json", importPart.json, "Print one JSON document instead");

    orvex::cli::ExportOptions exportOptions;
    CLI::App* exportVerb = app.add_subcommand(
        "export", "Write a model file (or one part of it) to another format, keeping its "
                  "tree, names, colours, layers and dimensions where the format can hold them");
    exportVerb->add_option("IN", exportOptions.input, "Any model file the program reads")
        ->required();
    exportVerb
        ->add_option("OUT", exportOptions.output,
                     "The file to write; its extension sets the format (" +
                         ModelFormat::WritableNames() + ")")
        ->required();
    AddWriteChoices(*exportVerb, exportOptions.choices);
    exportVerb->add_option(
        "--select", exportOptions.select,
        "Write only the part, assembly or instance of this name, placed as in the model");

    orvex::cli::SplitOptions split;
    CLI::App* splitVerb = app.add_subcommand(
        "split", "Write each child of an assembly to a file of its own, with a manifest.json of "
                 "the files, instance counts and placements");
    splitVerb->add_option("IN", split.input, "Any model file the program reads")->required();
    splitVerb->add_option("OUTDIR", split.folder, "The folder to write into (made if missing)")
        ->required();
    splitVerb->add_option("--assembly", split.assembly,
                          "The assembly whose children to write (default: the top-level one)");
    splitVerb->add_option("--format", split.format,
                          "Format of the files: " + ModelFormat::WritableNames() +
                              " (default stp)");
    AddWriteChoices(*splitVerb, split.choices);

    orvex::cli::ConvertOptions convert;
    CLI::App* convertVerb = app.add_subcommand(
        "convert", "Convert model files with 'export', each in a process of its own so that a "
                   "file which crashes fails alone, and report how each went");
    convertVerb->add_option("FILE", convert.files, "The model files (any the program reads)")
        ->required();
    convertVerb
        ->add_option("--format", convert.format, "Format to write: " + ModelFormat::WritableNames())
        ->required();
    convertVerb
        ->add_option("--out", convert.outDir,
                     "An existing folder; each FILE is written to it as "
                     "<name without extension>.<format>")
        ->required();
    convertVerb
        ->add_option("--jobs", convert.jobs,
                     "Files converted at a time (default: one per processor core)")
        ->check(CLI::PositiveNumber);
    AddWriteChoices(*convertVerb, convert.choices);
    convertVerb->add_flag("--json", convert.json, "Print the report as one JSON document");

    orvex::cli::CheckOptions check;
    CLI::App* checkVerb = app.add_subcommand(
        "check", "Compare the validation properties a file declares (volume, area, centroid of "
                 "each part) with its geometry; exit 0 when they agree, 1 when not, 2 when the "
                 "file cannot be read");
    checkVerb->add_option("FILE", check.file, "Any model file the program reads")->required();
    checkVerb->add_flag("--json", check.json, "Print one JSON document instead");

    orvex::cli::CompareOptions compare;
    CLI::App* compareVerb = app.add_subcommand(
        "compare", "Compare two model files: tree, names, placements, colours, dimensions, "
                   "volumes, areas, centroids; exit 0 when equal, 1 when not, 2 on a read error");
    compareVerb->add_option("A", compare.first, "The first file")->required();
    compareVerb->add_option("B", compare.second, "The second file")->required();
    compareVerb
        ->add_option("--tolerance", compare.tolerance,
                     "Relative tolerance of placements and the bounding box, to the model's "
                     "size, and of dimension values (default 1e-6)")
        ->check(CLI::PositiveNumber);
    compareVerb
        ->add_option("--property-tolerance", compare.propertyTolerance,
                     "Relative tolerance of volumes, areas and centroids (default 1e-4)")
        ->check(CLI::PositiveNumber);
    compareVerb->add_flag("--json", compare.json, "Print one JSON document instead");

    bool commandsJson = false;
    CLI::App* commandsVerb =
        app.add_subcommand("commands", "List the registered commands with their codes and paths");
    commandsVerb->add_flag("--json", commandsJson, "Print one JSON document instead");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help prints and ends well; a usage mistake is one error line like any other.
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return app.exit(error);
        }
        std::cerr << "orvex-interop: error: " << error.what();
        if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
            // A file whose name starts with '-' is taken for an option.
            std::cerr << " (a name that starts with '-' goes after '--': "
                      << "orvex-interop VERB -- -name.step)";
        }
        std::cerr << "\n";
        return 1;
    }

    if (verbosity > 0) {
        Logger::Instance().AddSink(std::make_shared<StderrLogSink>(verbosity > 1 ? 0 : 2));
    } else if (::isatty(STDERR_FILENO) != 0) {
        // A progress line would tangle with log lines, so it only shows on a quiet terminal.
        Progress::Instance().SetHandler(std::make_shared<orvex::cli::TerminalProgress>());
    }
    convert.limits = {timeout, maxMemory};
    // Each verb with the file it reads, which a time-out or crash message names.
    const std::tuple<CLI::App*, std::function<int()>, std::string> verbs[] = {
        {importVerb, [&] { return RunImport(import); }, import.file},
        {openVerb, [&] { return RunOpen(open); }, open.file},
        {xdeVerb, [&] { return RunXde(xde); }, xde.file},
        {viewVerb, [&] { return RunView(view); }, view.file},
        {snapshotVerb, [&] { return RunSnapshot(snapshot); }, snapshot.file},
        {lineTypesVerb, [&] { return RunLineTypes(lineTypes); }, lineTypes.file},
        {sceneVerb, [&] { return RunScene(scene); }, scene.file},
        {runVerb, [&] { return orvex::cli::RunCommand(run); },
         run.answers.empty() ? std::string() : run.answers.front()},
        {readVerb, [&] { return orvex::cli::RunRead(read); }, read.file},
        {importPartVerb, [&] { return orvex::cli::RunImportPart(importPart); }, importPart.file},
        {exportVerb, [&] { return orvex::cli::RunExport(exportOptions); }, exportOptions.input},
        {splitVerb, [&] { return orvex::cli::RunSplit(split); }, split.input},
        {convertVerb, [&] { return orvex::cli::RunConvert(convert); }, std::string()},
        {checkVerb, [&] { return orvex::cli::RunCheck(check); }, check.file},
        {compareVerb, [&] { return orvex::cli::RunCompare(compare); }, compare.first},
        {commandsVerb, [&] { return orvex::cli::ListCommands(commandsJson); }, std::string()},
    };
    try {
        for (const auto& [verb, start, input] : verbs) {
            if (verb->parsed()) {
                // A batch conversion runs each file in a child of its own, with the limits.
                return orvex::cli::GuardedRun(start,
                                              verb == convertVerb
                                                  ? orvex::cli::RunLimits{}
                                                  : orvex::cli::RunLimits{timeout, maxMemory},
                                              input);
            }
        }
    } catch (const Standard_Failure& failure) {
        std::cerr << "orvex-interop: error: " << failure.DynamicType()->Name() << ": "
                  << failure.GetMessageString() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "orvex-interop: error: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
