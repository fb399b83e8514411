#include "ModelWriting.h"

#include "FileDiagnosis.h"
#include "ModelCompare.h"

#include "Common/Core/StringUtil.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/Kernel/AxisConvention.h"
#include "Interop/Kernel/XdeModelReader.h"

#include <fmt/format.h>

#include <filesystem>
#include <iostream>

namespace orvex::cli {

using namespace orvkit;

namespace {

const char* const kError = "orvex-interop: error: ";
const char* const kUnknownAxis = "an axis is 0, 1, 2, x-up, y-up or z-up, not '{}'";
const char* const kUnknownUnit = "unknown unit '{}' (mm, cm, m, km, um, in, ft, mi, mil or uin)";
const char* const kUnknownFormat = "no format is written as '{}' (one of: {})";
const char* const kCannotWrite = "cannot write '{}': {}";
const char* const kNoSuchElement = "no part, assembly or instance is named '{}'";
const char* const kReadsBackDifferent = "'{}': written, but it reads back different: {}";
const char* const kCannotReadBack = "it cannot be read back ({})";
const char* const kVerified = "verified: {}\n";
// The differences an error line names before it abbreviates; `compare` lists them all.
constexpr size_t kShownDifferences = 8;

// The options as the writer takes them; false after one error line.
bool ToWriteOptions(const WriteChoices& choices, XdeWriteOptions& options)
{
    const int from = AxisConvention::Parse(StringUtil::ToLower(choices.from));
    const int to = AxisConvention::Parse(StringUtil::ToLower(choices.to));
    if (from < 0 || to < 0) {
        PrintWriteFailure(fmt::format(kUnknownAxis, from < 0 ? choices.from : choices.to));
        return false;
    }
    if (!choices.unit.empty() && LengthUnit::GetMetres(choices.unit) <= 0.0) {
        PrintWriteFailure(fmt::format(kUnknownUnit, choices.unit));
        return false;
    }
    options.transform = AxisConvention::GetChange(from, to);
    options.unit = choices.unit;
    options.deflection = choices.deflection;
    options.angle = choices.angle;
    return true;
}

} // namespace

void PrintWriteFailure(const std::string& text)
{
    std::cerr << kError << text << "\n";
}

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
    return fmt::format(kNoSuchElement, name);
}

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
    PrintWarnings(input, model.readWarnings);
    return true;
}

void PrintNotKept(const std::string& file, const std::vector<std::string>& warnings)
{
    PrintWarnings(file, warnings);
}

WriteVerdict VerifyWritten(const XdeDocumentImpl& written, const std::string& source,
                           const std::string& file)
{
    WriteVerdict verdict;
    CompareResult result;
    LoadFailure failure;
    if (!CompareWritten(written, source, file, CompareOptions(), result, failure)) {
        verdict.differences.push_back(fmt::format(kCannotReadBack, failure.Describe()));
        return verdict;
    }
    verdict.equal = result.Equal();
    for (const CompareDifference& difference : result.differences) {
        verdict.differences.push_back(difference.Text());
    }
    verdict.summary = result.summary;
    return verdict;
}

void PrintVerdict(const std::string& file, const WriteVerdict& verdict)
{
    if (verdict.equal) {
        std::cout << fmt::format(kVerified, verdict.summary);
        return;
    }
    std::string shown;
    for (size_t i = 0; i < verdict.differences.size() && i < kShownDifferences; ++i) {
        shown += (i == 0 ? "" : "; ") + verdict.differences[i];
    }
    if (verdict.differences.size() > kShownDifferences) {
        shown += fmt::format("; and {} more", verdict.differences.size() - kShownDifferences);
    }
    PrintWriteFailure(fmt::format(kReadsBackDifferent, file, shown));
}

bool IsReadBackDifference(const std::string& line)
{
    const std::string marker = fmt::format(kReadsBackDifferent, "", "");
    // The line starts with the quoted file: the marker follows it.
    return line.find(marker.substr(2)) != std::string::npos;
}

long long FileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long long>(size);
}

} // namespace orvex::cli
