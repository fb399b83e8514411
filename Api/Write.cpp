#include "orvex/Write.h"

#include "ModelData.h"
#include "WriteSupport.h"

#include "orvex/Compare.h"
#include "orvex/Read.h"

#include "Common/Core/StringUtil.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Geometry/Kernel/AxisConvention.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeModelWriter.h"

#include <TDF_ChildIterator.hxx>
#include <TDF_CopyLabel.hxx>
#include <TDF_RelocationTable.hxx>
#include <TNaming_CopyShape.hxx>
#include <XCAFDoc_Location.hxx>

#include <fmt/format.h>

#include <filesystem>

namespace orvex {

using namespace orvkit;

namespace {

const char* const kUnknownAxis = "an axis is 0, 1, 2, x-up, y-up or z-up, not '{}'";
const char* const kUnknownFormat = "no format is written as '{}' (one of: {})";
const char* const kCannotWrite = "cannot write '{}': {}";
const char* const kCannotReadBack = "it cannot be read back ({})";
const char* const kReadsBackDifferent = "'{}': written, but it reads back different: {}";
// The differences a line names before it abbreviates; `compare` lists them all.
constexpr size_t kShownDifferences = 8;

} // namespace

namespace detail {

std::string CannotWriteText(const std::string& path, const std::string& reason)
{
    return fmt::format(kCannotWrite, path, reason);
}

std::string UnknownFormatText(const std::string& name)
{
    return fmt::format(kUnknownFormat, name, ModelFormat::WritableNames());
}

std::string NoSuchElementText(const std::string& name)
{
    return fmt::format("no part, assembly or instance is named '{}'", name);
}

std::string CannotMakeFolderText(const std::string& folder, const std::string& reason)
{
    return fmt::format("cannot make the folder '{}': {}", folder, reason);
}

std::string ToWriteOptions(const WriteOptions& options, XdeWriteOptions& writeOptions)
{
    const int from = AxisConvention::Parse(StringUtil::ToLower(options.fromUp));
    const int to = AxisConvention::Parse(StringUtil::ToLower(options.up));
    if (from < 0 || to < 0) {
        return fmt::format(kUnknownAxis, from < 0 ? options.fromUp : options.up);
    }
    if (!options.unit.empty() && LengthUnit::GetMetres(options.unit) <= 0.0) {
        return LengthUnit::UnknownText(options.unit);
    }
    writeOptions.transform = AxisConvention::GetChange(from, to);
    writeOptions.unit = options.unit;
    writeOptions.deflection = options.deflection;
    writeOptions.angle = options.angle;
    return {};
}

void CopyDocument(const XdeDocumentImpl& source, XdeDocumentImpl& target)
{
    target.CreateNew();
    // The application's documents are shared by every thread, and the copy reads the source's
    // shapes as a translator would.
    const TranslatorLock lock;
    TDF_CopyLabel copy(source.GetMain(), target.GetMain());
    copy.Perform();
    const Handle(TDF_RelocationTable) relocation = copy.RelocationTable();
    // The copy gives every shape new locations (their datums are objects, compared by
    // identity), but copies a component's own location as it stands. A component whose location
    // is not its shape's is not found by the writer, which then loses the instance's name.
    for (TDF_ChildIterator it(target.GetMain(), Standard_True); it.More(); it.Next()) {
        if (XCAFDoc_ShapeTool::IsComponent(it.Value())) {
            XCAFDoc_Location::Set(
                it.Value(), TNaming_CopyShape::Translate(XCAFDoc_ShapeTool::GetLocation(it.Value()),
                                                         relocation->TransientTable()));
        }
    }
    target.RefreshTools();
    for (XdeDeclaredValidation declared : source.declaredValidation) {
        TDF_Label copied;
        if (!declared.label.IsNull() && relocation->HasRelocation(declared.label, copied)) {
            declared.label = copied;
        }
        target.declaredValidation.push_back(std::move(declared));
    }
    target.readWarnings = source.readWarnings;
    target.declaredPrecision = source.declaredPrecision;
}

WriteReport WriteDocument(XdeDocumentImpl& document, const std::string& source,
                          const std::string& path, const ModelFormat& format,
                          const XdeWriteOptions& writeOptions, bool verify,
                          const ProgressFunction& progress)
{
    WriteReport report;
    report.path = path;
    const XdeWriteResult result = XdeModelWriter::Save(path, format, document, writeOptions);
    if (!result) {
        report.failure = CannotWriteText(path, result.failure);
        return report;
    }
    report.lost = result.warnings;
    std::error_code error;
    report.bytes = std::filesystem::file_size(path, error);
    if (verify) {
        VerifyWritten(document, source, progress, report, writeOptions.deflection);
    }
    return report;
}

void VerifyWritten(const XdeDocumentImpl& written, const std::string& source,
                   const ProgressFunction& progress, WriteReport& report, double deflection)
{
    ReadOptions options;
    options.progress = progress;
    ReadResult back = Read(report.path, options);
    if (!back) {
        report.verified = false;
        report.differences.push_back(fmt::format(kCannotReadBack, back.failure.reason));
        return;
    }
    const CompareReport compared = CompareWritten(written, source, *back.model, deflection);
    report.verified = compared.Equal();
    for (const Difference& difference : compared.differences) {
        report.differences.push_back(difference.Text());
    }
    report.summary = compared.Line();
}

} // namespace detail

nlohmann::ordered_json WriteReport::ToJson() const
{
    nlohmann::ordered_json json;
    json["path"] = path;
    json["ok"] = Ok();
    json["failure"] = failure.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(failure);
    json["bytes"] = bytes;
    json["lost"] = lost;
    json["verified"] = verified ? nlohmann::ordered_json(*verified) : nlohmann::ordered_json();
    json["differences"] = differences;
    json["summary"] = summary;
    return json;
}

std::string WriteReport::Problem() const
{
    if (!failure.empty() || Ok()) {
        return failure;
    }
    std::string shown;
    for (size_t i = 0; i < differences.size() && i < kShownDifferences; ++i) {
        shown += (i == 0 ? "" : "; ") + differences[i];
    }
    if (differences.size() > kShownDifferences) {
        shown += fmt::format("; and {} more", differences.size() - kShownDifferences);
    }
    return fmt::format(kReadsBackDifferent, path, shown);
}

std::string CheckWriteOptions(const std::string& path, const WriteOptions& options)
{
    const ModelFormat* format = ModelFormat::ForPath(path);
    if (format == nullptr || !format->writable) {
        return detail::CannotWriteText(
            path, detail::UnknownFormatText(std::filesystem::path(path).extension().string()));
    }
    XdeWriteOptions writeOptions;
    return detail::ToWriteOptions(options, writeOptions);
}

namespace {

// Writes the model, or the part chosen; with `consume`, writes its own document, which the
// writer changes (moves, meshes and measures), instead of a copy.
WriteReport WriteModel(const Model& model, const std::string& path, const WriteOptions& options,
                       bool consume)
{
    WriteReport report;
    report.path = path;
    // The format is looked up here once and handed down to the writer.
    const ModelFormat* format = ModelFormat::ForPath(path);
    if (format == nullptr || !format->writable) {
        report.failure = detail::CannotWriteText(
            path, detail::UnknownFormatText(std::filesystem::path(path).extension().string()));
        return report;
    }
    XdeWriteOptions writeOptions;
    if (const std::string problem = detail::ToWriteOptions(options, writeOptions);
        !problem.empty()) {
        report.failure = problem;
        return report;
    }
    detail::ModelData& data = detail::ModelAccess::Data(model);
    const std::lock_guard<std::recursive_mutex> lock(data.lock);
    // The writer changes what it writes (moves, meshes and measures it): it gets a copy, or
    // the part chosen, taken out, unless the model is given up.
    if (consume && options.select.empty()) {
        return detail::WriteDocument(*data.document, data.source, path, *format, writeOptions,
                                     options.verify, options.progress);
    }
    XdeDocumentImpl written;
    if (options.select.empty()) {
        detail::CopyDocument(*data.document, written);
    } else {
        const TDF_Label label = XdeModelEdit::FindNamed(*data.document, options.select);
        if (label.IsNull() || !XdeModelEdit::Extract(*data.document, label, true, written)) {
            report.failure = detail::NoSuchElementText(options.select);
            return report;
        }
    }
    return detail::WriteDocument(written, data.source, path, *format, writeOptions, options.verify,
                                 options.progress);
}

} // namespace

WriteReport Write(const Model& model, const std::string& path, const WriteOptions& options)
{
    return WriteModel(model, path, options, false);
}

WriteReport Write(Model&& model, const std::string& path, const WriteOptions& options)
{
    // A copy of the model elsewhere still needs the document as it is.
    const bool alone = detail::ModelAccess::IsAlone(model);
    WriteReport report = WriteModel(model, path, options, alone);
    model = Model();
    return report;
}

} // namespace orvex
