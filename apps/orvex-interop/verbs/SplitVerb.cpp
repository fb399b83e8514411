#include "verbs/Verbs.h"
#include "verbs/WriteChoiceOptions.h"

#include "AssemblyChildren.h"
#include "ModelWriting.h"

#include "Common/Core/StringUtil.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ReplacingWrite.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeModelWriter.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>

namespace orvex::cli {

using namespace orvkit;

namespace {

namespace fs = std::filesystem;

const char* const kCannotMakeFolder = "cannot make the folder '{}': {}";
const char* const kManifest = "manifest.json";
const char* const kNoShape = "it holds no shape";

struct SplitOptions {
    std::string input;
    std::string folder;   // made when it does not exist
    std::string assembly; // name of the assembly; empty: the file's top-level one
    std::string format = "stp";
    WriteChoices choices;
};

// Writes one child of the assembly to `path` and prints its line; its manifest entry, or
// null after one error line.
nlohmann::ordered_json WriteChild(const XdeDocumentImpl& model, const AssemblyChild& child,
                                  const std::string& path, const XdeWriteOptions& writeOptions)
{
    XdeDocumentImpl part;
    XdeWriteResult result{kNoShape, {}};
    if (XdeModelEdit::Extract(model, child.product, false, part)) {
        result = XdeModelWriter::Save(path, part, writeOptions);
    }
    if (!result) {
        PrintWriteFailure(CannotWriteText(path, result.failure));
        return nullptr;
    }
    PrintNotKept(path, result.warnings);
    nlohmann::ordered_json placements = nlohmann::ordered_json::array();
    for (const gp_Trsf& placement : child.placements) {
        placements.push_back(PlacementJson(placement));
    }
    std::cout << path << " (" << FileSize(path) << " bytes, " << child.placements.size()
              << (child.placements.size() == 1 ? " instance)\n" : " instances)\n");
    return {{"name", child.name},
            {"file", fs::path(path).filename().string()},
            {"instances", child.placements.size()},
            {"placements", placements}};
}

// Writes the manifest beside the children's files and prints its path; false after one error
// line.
bool WriteManifest(const std::string& folder, const nlohmann::ordered_json& manifest)
{
    const std::string manifestPath = (fs::path(folder) / kManifest).string();
    const std::string reason =
        ReplaceFile(manifestPath, "JSON", [&](const std::string& file, std::string&) {
            std::ofstream out(file);
            out << manifest.dump(2) << "\n";
            return static_cast<bool>(out.flush());
        });
    if (!reason.empty()) {
        PrintWriteFailure(CannotWriteText(manifestPath, reason));
        return false;
    }
    std::cout << manifestPath << "\n";
    return true;
}

// Reads any model file and writes each distinct child of the assembly, as a whole subtree at
// its own origin, to a file of its own in the folder, with a manifest.json that names each
// child's file, its instance count and its placements in the assembly.
int RunSplit(const SplitOptions& options)
{
    XdeWriteOptions writeOptions;
    const ModelFormat* format = ModelFormat::ForName(options.format);
    if (format == nullptr || !format->writable) {
        PrintWriteFailure(UnknownFormatText(options.format));
        return 1;
    }
    XdeDocumentImpl model;
    if (!ReadForWriting(options.input, options.choices, writeOptions, model)) {
        return 1;
    }
    const TDF_Label assembly = FindAssembly(model, options.assembly);
    if (assembly.IsNull()) {
        return 1;
    }
    std::error_code error;
    fs::create_directories(options.folder, error);
    if (error) {
        PrintWriteFailure(fmt::format(kCannotMakeFolder, options.folder, error.message()));
        return 1;
    }
    const std::string extension = format->Takes("." + StringUtil::ToLower(options.format))
                                      ? "." + StringUtil::ToLower(options.format)
                                      : format->extensions.front();
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    std::set<std::string> taken{kManifest};
    for (const AssemblyChild& child : ChildrenOf(assembly)) {
        // Two products of one name get files of their own.
        std::string file = FileStem(child.name) + extension;
        for (int n = 2; !taken.insert(file).second; ++n) {
            file = FileStem(child.name) + "-" + std::to_string(n) + extension;
        }
        nlohmann::ordered_json entry =
            WriteChild(model, child, (fs::path(options.folder) / file).string(), writeOptions);
        if (entry.is_null()) {
            return 1;
        }
        list.push_back(std::move(entry));
    }
    const nlohmann::ordered_json manifest = {
        {"source", options.input}, {"assembly", NameOf(assembly)}, {"children", list}};
    return WriteManifest(options.folder, manifest) ? 0 : 1;
}

} // namespace

Verb AddSplitVerb(CLI::App& app)
{
    const auto options = std::make_shared<SplitOptions>();
    CLI::App* verb = app.add_subcommand(
        "split", "Write each child of an assembly to a file of its own, with a manifest.json of "
                 "the files, instance counts and placements");
    verb->add_option("IN", options->input, "Any model file the program reads")->required();
    verb->add_option("OUTDIR", options->folder, "The folder to write into (made if missing)")
        ->required();
    verb->add_option("--assembly", options->assembly,
                     "The assembly whose children to write (default: the top-level one)");
    verb->add_option("--format", options->format,
                     "Format of the files: " + ModelFormat::WritableNames() + " (default stp)");
    AddWriteChoices(*verb, options->choices);
    return {verb, [options](const RunLimits&) { return RunSplit(*options); },
            [options] { return options->input; }};
}

} // namespace orvex::cli
