#include "ExportVerbs.h"

#include "FileDiagnosis.h"

#include "Common/Core/StringUtil.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ReplacingWrite.h"
#include "Geometry/Kernel/AxisConvention.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeModelReader.h"
#include "Interop/Kernel/XdeModelWriter.h"

#include <NCollection_DataMap.hxx>
#include <TDF_LabelMapHasher.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>

namespace orvex::cli {

using namespace orvkit;

namespace {

namespace fs = std::filesystem;

const char* const kError = "orvex-interop: error: ";
const char* const kUnknownAxis = "an axis is 0, 1, 2, x-up, y-up or z-up, not '{}'";
const char* const kUnknownUnit = "unknown unit '{}' (mm, cm, m, km, um, in, ft, mi, mil or uin)";
const char* const kUnknownFormat = "no format is written as '{}' (one of: {})";
const char* const kCannotWrite = "cannot write '{}': {}";
const char* const kNoSuchElement = "no part, assembly or instance is named '{}'";
const char* const kNotAssembly = "'{}' is not an assembly";
const char* const kNoAssembly = "the model has no assembly to split";
const char* const kCannotMakeFolder = "cannot make the folder '{}': {}";
const char* const kManifest = "manifest.json";
const char* const kNoShape = "it holds no shape";
const char* const kWarning = "orvex-interop: warning: '{}': {}\n";

void Fail(const std::string& text)
{
    std::cerr << kError << text << "\n";
}

// What the file written does not keep, on standard error, so that the output still pipes.
void Warn(const std::string& file, const std::vector<std::string>& warnings)
{
    for (const std::string& warning : warnings) {
        std::cerr << fmt::format(kWarning, file, warning);
    }
}

// The options as the writer takes them; false after one error line.
bool ToWriteOptions(const WriteChoices& choices, XdeWriteOptions& options)
{
    const int from = AxisConvention::Parse(StringUtil::ToLower(choices.from));
    const int to = AxisConvention::Parse(StringUtil::ToLower(choices.to));
    if (from < 0 || to < 0) {
        Fail(fmt::format(kUnknownAxis, from < 0 ? choices.from : choices.to));
        return false;
    }
    if (!choices.unit.empty() && LengthUnit::GetMetres(choices.unit) <= 0.0) {
        Fail(fmt::format(kUnknownUnit, choices.unit));
        return false;
    }
    options.transform = AxisConvention::GetChange(from, to);
    options.unit = choices.unit;
    options.deflection = choices.deflection;
    options.angle = choices.angle;
    return true;
}

// Checks the choices, then reads the input; false after one error line.
bool ReadForWriting(const std::string& input, const WriteChoices& choices,
                    XdeWriteOptions& writeOptions, XdeDocumentImpl& model)
{
    if (!ToWriteOptions(choices, writeOptions)) {
        return false;
    }
    if (!XdeModelReader::Open(input, model, nullptr)) {
        PrintError(input, model.failure);
        return false;
    }
    return true;
}

long long FileSize(const std::string& path)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? -1 : static_cast<long long>(size);
}

std::string NameOf(const TDF_Label& label)
{
    Handle(TDataStd_Name) name;
    return label.FindAttribute(TDataStd_Name::GetID(), name)
               ? StringUtil::ToA(name->Get().ToExtString())
               : std::string();
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

// The assembly to split: the one named, or the first free one.
TDF_Label FindAssembly(const XdeDocumentImpl& model, const std::string& name)
{
    if (!name.empty()) {
        const TDF_Label named = XdeModelEdit::FindNamed(model, name);
        if (named.IsNull()) {
            Fail(fmt::format(kNoSuchElement, name));
            return {};
        }
        TDF_Label referred = named;
        XCAFDoc_ShapeTool::GetReferredShape(named, referred);
        if (!XCAFDoc_ShapeTool::IsAssembly(referred)) {
            Fail(fmt::format(kNotAssembly, name));
            return {};
        }
        return referred;
    }
    for (const TDF_Label& root : model.freeShapes) {
        if (XCAFDoc_ShapeTool::IsAssembly(root)) {
            return root;
        }
    }
    Fail(kNoAssembly);
    return {};
}

// One distinct child of an assembly: the product and where the assembly places it.
struct Child {
    TDF_Label product;
    std::string name;
    std::vector<gp_Trsf> placements;
};

std::vector<Child> ChildrenOf(const TDF_Label& assembly)
{
    std::vector<Child> children;
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
            const std::string name = NameOf(product);
            children.push_back({product, name.empty() ? NameOf(component) : name, {}});
        }
        children[byProduct.Find(product)].placements.push_back(
            XdeModelEdit::GetPlacement(component));
    }
    return children;
}

} // namespace

int RunExport(const ExportOptions& options)
{
    XdeWriteOptions writeOptions;
    const ModelFormat* format = ModelFormat::ForPath(options.output);
    if (format == nullptr || !format->writable) {
        Fail(fmt::format(kCannotWrite, options.output,
                         fmt::format(kUnknownFormat, fs::path(options.output).extension().string(),
                                     ModelFormat::WritableNames())));
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
            Fail(fmt::format(kNoSuchElement, options.select));
            return 1;
        }
        written = &selected;
    }
    const XdeWriteResult result = XdeModelWriter::Save(options.output, *written, writeOptions);
    if (!result) {
        Fail(fmt::format(kCannotWrite, options.output, result.failure));
        return 1;
    }
    Warn(options.output, result.warnings);
    std::cout << "wrote " << options.output << " (" << FileSize(options.output) << " bytes)\n";
    return 0;
}

int RunSplit(const SplitOptions& options)
{
    XdeWriteOptions writeOptions;
    const ModelFormat* format = ModelFormat::ForName(options.format);
    if (format == nullptr || !format->writable) {
        Fail(fmt::format(kUnknownFormat, options.format, ModelFormat::WritableNames()));
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
        Fail(fmt::format(kCannotMakeFolder, options.folder, error.message()));
        return 1;
    }
    const std::string extension = format->Takes("." + StringUtil::ToLower(options.format))
                                      ? "." + StringUtil::ToLower(options.format)
                                      : format->extensions.front();
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    std::set<std::string> taken{kManifest};
    for (const Child& child : ChildrenOf(assembly)) {
        // Two products of one name get files of their own.
        std::string file = FileStem(child.name) + extension;
        for (int n = 2; !taken.insert(file).second; ++n) {
            file = FileStem(child.name) + "-" + std::to_string(n) + extension;
        }
        const std::string path = (fs::path(options.folder) / file).string();
        XdeDocumentImpl part;
        XdeWriteResult result{kNoShape, {}};
        if (XdeModelEdit::Extract(model, child.product, false, part)) {
            result = XdeModelWriter::Save(path, part, writeOptions);
        }
        if (!result) {
            Fail(fmt::format(kCannotWrite, path, result.failure));
            return 1;
        }
        Warn(path, result.warnings);
        nlohmann::ordered_json placements = nlohmann::ordered_json::array();
        for (const gp_Trsf& placement : child.placements) {
            placements.push_back(PlacementJson(placement));
        }
        list.push_back({{"name", child.name},
                        {"file", file},
                        {"instances", child.placements.size()},
                        {"placements", placements}});
        std::cout << path << " (" << FileSize(path) << " bytes, " << child.placements.size()
                  << (child.placements.size() == 1 ? " instance)\n" : " instances)\n");
    }
    const nlohmann::ordered_json manifest = {
        {"source", options.input}, {"assembly", NameOf(assembly)}, {"children", list}};
    const std::string manifestPath = (fs::path(options.folder) / kManifest).string();
    const std::string reason =
        ReplaceFile(manifestPath, "JSON", [&](const std::string& file, std::string&) {
            std::ofstream out(file);
            out << manifest.dump(2) << "\n";
            return static_cast<bool>(out.flush());
        });
    if (!reason.empty()) {
        Fail(fmt::format(kCannotWrite, manifestPath, reason));
        return 1;
    }
    std::cout << manifestPath << "\n";
    return 0;
}

} // namespace orvex::cli
