#include "orvex/Split.h"

#include "Geometry/IO/LabelName.h"
#include "ModelData.h"
#include "ModelTree.h"
#include "WriteSupport.h"

#include "Common/Core/StringUtil.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ReplacingWrite.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeModelWriter.h"

#include <NCollection_DataMap.hxx>
#include <TDF_LabelMapHasher.hxx>
#include <TDF_LabelSequence.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace orvex {

using namespace orvkit;

namespace {

namespace fs = std::filesystem;

const char* const kNotAssembly = "'{}' is not an assembly";
const char* const kNoAssembly = "the model has no assembly to split";
const char* const kManifest = "manifest.json";
const char* const kNoShape = "it holds no shape";

// One distinct child of an assembly: the product and where the assembly places it.
struct AssemblyChild {
    TDF_Label product;
    std::string name;
    std::vector<gp_Trsf> placements;
};

// The assembly to split: the one named, or the first free one; a null label with the reason
// in `failure` when there is none.
TDF_Label FindAssembly(const XdeDocumentImpl& model, const std::string& name, std::string& failure)
{
    if (!name.empty()) {
        const TDF_Label named = XdeModelEdit::FindNamed(model, name);
        if (named.IsNull()) {
            failure = detail::NoSuchElementText(name);
            return {};
        }
        TDF_Label referred = named;
        XCAFDoc_ShapeTool::GetReferredShape(named, referred);
        if (!XCAFDoc_ShapeTool::IsAssembly(referred)) {
            failure = fmt::format(kNotAssembly, name);
            return {};
        }
        return referred;
    }
    for (const TDF_Label& root : model.freeShapes) {
        if (XCAFDoc_ShapeTool::IsAssembly(root)) {
            return root;
        }
    }
    failure = kNoAssembly;
    return {};
}

// The distinct products the assembly's components refer to, in the order of their first
// component, each with the placements of all its components.
std::vector<AssemblyChild> ChildrenOf(const TDF_Label& assembly)
{
    std::vector<AssemblyChild> children;
    NCollection_DataMap<TDF_Label, size_t, TDF_LabelMapHasher> byProduct;
    TDF_LabelSequence components;
    XCAFDoc_ShapeTool::GetComponents(assembly, components);
    for (const TDF_Label& component : components) {
        TDF_Label product;
        if (!XCAFDoc_ShapeTool::GetReferredShape(component, product)) {
            continue;
        }
        if (!byProduct.IsBound(product)) {
            byProduct.Bind(product, children.size());
            const std::string name = orvkit::LabelName(product);
            children.push_back({product, name.empty() ? orvkit::LabelName(component) : name, {}});
        }
        children[byProduct.Find(product)].placements.push_back(
            XdeModelEdit::GetPlacement(component));
    }
    return children;
}

// A file name from a product's name: characters no file system takes become '_'.
std::string FileStem(const std::string& name)
{
    std::string stem;
    for (const char c : name) {
        const bool bad = static_cast<unsigned char>(c) < 0x20 ||
                         std::string("/\\:*?\"<>|").find(c) != std::string::npos;
        stem += bad ? '_' : c;
    }
    if (stem.empty() || stem == "." || stem == "..") {
        stem = "part";
    }
    return stem;
}

// {"translation": [x, y, z], "rotation": [[row 1], [row 2], [row 3]]}.
nlohmann::ordered_json PlacementJson(const gp_Trsf& placement)
{
    const gp_XYZ translation = placement.TranslationPart();
    nlohmann::ordered_json rotation = nlohmann::ordered_json::array();
    for (int row = 1; row <= 3; ++row) {
        rotation.push_back(
            {placement.Value(row, 1), placement.Value(row, 2), placement.Value(row, 3)});
    }
    return {{"translation", {translation.X(), translation.Y(), translation.Z()}},
            {"rotation", rotation}};
}

// Writes one child, as a whole subtree at its own origin; false with the reason in the report.
bool WriteChild(const XdeDocumentImpl& model, const AssemblyChild& child, const std::string& path,
                const ModelFormat& format, const XdeWriteOptions& writeOptions, SplitReport& report)
{
    XdeDocumentImpl part;
    WriteReport written;
    written.failure = detail::CannotWriteText(path, kNoShape);
    if (XdeModelEdit::Extract(model, child.product, false, part)) {
        written = detail::WriteDocument(part, {}, path, format, writeOptions, false);
    }
    if (!written.failure.empty()) {
        report.failure = written.failure;
        return false;
    }
    SplitChild& entry = report.children.emplace_back();
    entry.name = child.name;
    entry.file = path;
    entry.bytes = written.bytes;
    entry.lost = written.lost;
    for (const gp_Trsf& placement : child.placements) {
        entry.placements.push_back(detail::MatrixOf(placement));
    }
    return true;
}

// Writes the manifest beside the children's files; false with the reason in the report.
bool WriteManifest(const std::string& folder, const nlohmann::ordered_json& manifest,
                   SplitReport& report)
{
    const std::string path = (fs::path(folder) / kManifest).string();
    const std::string reason =
        ReplaceFile(path, "JSON", [&](const std::string& file, std::string&) {
            std::ofstream out(file);
            out << manifest.dump(2) << "\n";
            return static_cast<bool>(out.flush());
        });
    if (!reason.empty()) {
        report.failure = detail::CannotWriteText(path, reason);
        return false;
    }
    report.manifest = path;
    return true;
}

} // namespace

nlohmann::ordered_json SplitReport::ToJson() const
{
    nlohmann::ordered_json items = nlohmann::ordered_json::array();
    for (const SplitChild& child : children) {
        items.push_back({{"name", child.name},
                         {"file", child.file},
                         {"bytes", child.bytes},
                         {"lost", child.lost},
                         {"instances", child.placements.size()}});
    }
    return {
        {"folder", folder},
        {"ok", Ok()},
        {"failure", failure.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(failure)},
        {"children", items},
        {"manifest",
         manifest.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(manifest)}};
}

std::string CheckSplitOptions(const SplitOptions& options)
{
    const ModelFormat* format = ModelFormat::ForName(options.format);
    if (format == nullptr || !format->writable) {
        return detail::UnknownFormatText(options.format);
    }
    XdeWriteOptions writeOptions;
    return detail::ToWriteOptions(options.write, writeOptions);
}

SplitReport Split(const Model& model, const std::string& folder, const SplitOptions& options)
{
    SplitReport report;
    report.folder = folder;
    report.failure = CheckSplitOptions(options);
    if (!report.failure.empty()) {
        return report;
    }
    const ModelFormat* format = ModelFormat::ForName(options.format);
    XdeWriteOptions writeOptions;
    detail::ToWriteOptions(options.write, writeOptions);
    detail::ModelData& data = detail::ModelAccess::Data(model);
    const std::lock_guard<std::recursive_mutex> lock(data.lock);
    const TDF_Label assembly = FindAssembly(*data.document, options.assembly, report.failure);
    if (assembly.IsNull()) {
        return report;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        report.failure = detail::CannotMakeFolderText(folder, error.message());
        return report;
    }
    const std::string lower = StringUtil::ToLower(options.format);
    const std::string extension =
        format->Takes("." + lower) ? "." + lower : format->extensions.front();
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    std::set<std::string> taken{kManifest};
    for (const AssemblyChild& child : ChildrenOf(assembly)) {
        // Two products of one name get files of their own.
        std::string file = FileStem(child.name) + extension;
        for (int n = 2; !taken.insert(file).second; ++n) {
            file = FileStem(child.name) + "-" + std::to_string(n) + extension;
        }
        if (!WriteChild(*data.document, child, (fs::path(folder) / file).string(), *format,
                        writeOptions, report)) {
            return report;
        }
        nlohmann::ordered_json placements = nlohmann::ordered_json::array();
        for (const gp_Trsf& placement : child.placements) {
            placements.push_back(PlacementJson(placement));
        }
        list.push_back({{"name", child.name},
                        {"file", file},
                        {"instances", child.placements.size()},
                        {"placements", placements}});
    }
    const nlohmann::ordered_json manifest = {
        {"source", data.source}, {"assembly", orvkit::LabelName(assembly)}, {"children", list}};
    WriteManifest(folder, manifest, report);
    return report;
}

} // namespace orvex
