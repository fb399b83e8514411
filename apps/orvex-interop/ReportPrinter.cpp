#include "ReportPrinter.h"

#include "FileDiagnosis.h"
#include "PrintFormat.h"
#include "TerminalProgress.h"

#include <fmt/format.h>

#include <algorithm>
#include <iostream>

namespace orvex::cli {

namespace {

const char* const kNoFaces = "no faces: nothing to measure";

const char* MarkOf(const std::string& kind)
{
    return kind == "assembly"       ? " (assembly)"
           : kind == "component"    ? " (component)"
           : kind == "shape aspect" ? " (shape aspect)"
                                    : "";
}

std::string ValueText(bool has, const std::array<double, 3>& value, bool point)
{
    if (!has) {
        return "-";
    }
    if (!point) {
        return Number(value[0], 7);
    }
    return "(" + Number(value[0], 7) + ", " + Number(value[1], 7) + ", " + Number(value[2], 7) +
           ")";
}

// "35 +0/-0.2", "34.8..35.2", "20 H7"; "" without a value.
std::string PmiValueText(const PmiDimension& dimension)
{
    std::string text = dimension.value ? Number(*dimension.value, 7) : std::string();
    if (dimension.limits) {
        text = Number((*dimension.limits)[0], 7) + ".." + Number((*dimension.limits)[1], 7);
    } else if (dimension.upper && dimension.lower) {
        text +=
            fmt::format(" {}{}/{}{}", *dimension.upper < 0 ? "" : "+", Number(*dimension.upper, 7),
                        *dimension.lower > 0 ? "+" : "", Number(*dimension.lower, 7));
    }
    if (!dimension.toleranceClass.empty()) {
        text += " " + dimension.toleranceClass;
    }
    return text;
}

// " on A face 1, A face 2"; "" without targets.
std::string TargetsText(const std::vector<std::string>& targets)
{
    std::string text;
    for (const std::string& target : targets) {
        text += (text.empty() ? " on " : ", ") + target;
    }
    return text;
}

void PrintMeasure(std::ostream& out, const char* name, const CheckedValue& measure, bool point)
{
    if (!measure.declared && !measure.computed) {
        return;
    }
    std::string verdict = measure.verdict;
    if (measure.verdict == "differs" && measure.computed) {
        verdict += fmt::format(" ({} %)", Number(measure.deviation * 100.0, 3));
    }
    out << fmt::format("    {:<9} declared {}  computed {}  {}\n", name,
                       ValueText(measure.declared, measure.declaredValue, point),
                       ValueText(measure.computed, measure.computedValue, point), verdict);
}

// "5 parts, 4 assemblies, 2 components, 1 shape aspect"
std::string CountText(const CheckReport& report)
{
    const auto count = [&report](const char* kind) {
        return static_cast<size_t>(
            std::count_if(report.products.begin(), report.products.end(),
                          [kind](const CheckedProduct& p) { return p.kind == kind; }));
    };
    std::string text = Plural(count("part"), "part");
    if (const size_t assemblies = count("assembly")) {
        text += ", " + std::to_string(assemblies) + (assemblies == 1 ? " assembly" : " assemblies");
    }
    if (const size_t components = count("component")) {
        text += ", " + Plural(components, "component");
    }
    if (const size_t aspects = count("shape aspect")) {
        text += ", " + Plural(aspects, "shape aspect");
    }
    return text;
}

} // namespace

ReadResult ReadModel(const std::string& path, ReadOptions options)
{
    ReadResult result;
    {
        const ShownProgress progress;
        options.progress = progress.Function();
        result = Read(path, options);
    }
    if (!result) {
        PrintError(path, result.failure.reason);
    } else {
        PrintWarnings(path, result.warnings);
    }
    return result;
}

void PrintFailure(const std::string& text)
{
    std::cerr << "orvex-interop: error: " << text << "\n";
}

void PrintWritten(const WriteReport& report)
{
    PrintWarnings(report.path, report.lost);
    std::cout << "wrote " << report.path << " (" << report.bytes << " bytes)\n";
    if (!report.verified) {
        return;
    }
    if (*report.verified) {
        std::cout << "verified: " << report.summary << "\n";
    } else {
        PrintFailure(report.Problem());
    }
}

void PrintCompare(std::ostream& out, const CompareReport& report)
{
    for (const Difference& difference : report.differences) {
        out << difference.Text() << "\n";
    }
    out << report.Line() << "\n";
}

void PrintCheck(std::ostream& out, const CheckReport& report, const std::string& title)
{
    out << title << "\n";
    for (const CheckedProduct& part : report.products) {
        out << "  " << part.path << MarkOf(part.kind) << "\n";
        if (!part.notCompared.empty()) {
            out << "    " << part.notCompared << "\n";
            continue;
        }
        if (!part.volume.computed && !part.area.computed && !part.Declares()) {
            out << "    " << kNoFaces << "\n";
        }
        PrintMeasure(out, "volume", part.volume, false);
        PrintMeasure(out, "area", part.area, false);
        PrintMeasure(out, "centroid", part.centroid, true);
    }
    out << CountText(report) << ": " << report.summary << "\n";
}

void PrintPmi(std::ostream& out, const PmiList& list, const std::string& title)
{
    out << title << "\n";
    for (const PmiDimension& dimension : list.dimensions) {
        out << "  dimension " << dimension.kind << " " << PmiValueText(dimension)
            << TargetsText(dimension.targets) << "\n";
    }
    for (const PmiTolerance& tolerance : list.tolerances) {
        out << "  tolerance " << tolerance.type << " \"" << tolerance.frame << "\""
            << TargetsText(tolerance.targets) << "\n";
    }
    for (const PmiDatum& datum : list.datums) {
        out << "  datum " << datum.label << TargetsText(datum.targets) << "\n";
    }
    for (const PmiDatumTarget& target : list.datumTargets) {
        out << "  datum target " << target.label << " (" << target.type << ") of datum "
            << target.datum << TargetsText(target.targets) << "\n";
    }
    out << fmt::format("{}, {}, {}, {}\n", Plural(list.dimensions.size(), "dimension"),
                       Plural(list.tolerances.size(), "geometric tolerance"),
                       Plural(list.datums.size(), "datum"),
                       Plural(list.datumTargets.size(), "datum target"));
}

void PrintConvert(std::ostream& out, const ConvertReport& report)
{
    for (const ConvertedFile& file : report.files) {
        if (file.ok) {
            // One line a file; what the read left out and what the file does not keep at its end.
            std::string warnings;
            for (const std::string& warning : file.warnings) {
                warnings += "; " + warning;
            }
            out << fmt::format("ok      {} -> {} ({} bytes, {:.2f} s{}{})\n", file.input,
                               file.output, file.bytes, file.seconds,
                               file.verified ? ", reads back equal" : "", warnings);
        } else {
            out << fmt::format("failed  {} ({:.2f} s): {}\n", file.input, file.seconds,
                               file.reason);
        }
    }
    const std::string shard =
        report.shard ? fmt::format("shard {}/{}: ", report.shard->index, report.shard->count) : "";
    out << fmt::format("{}{} converted, {} failed\n", shard, report.files.size() - report.failed,
                       report.failed);
}

void PrintSplit(std::ostream& out, const SplitReport& report)
{
    for (const SplitChild& child : report.children) {
        PrintWarnings(child.file, child.lost);
        out << child.file << " (" << child.bytes << " bytes, " << child.placements.size()
            << (child.placements.size() == 1 ? " instance)\n" : " instances)\n");
    }
    if (!report.failure.empty()) {
        out.flush();
        PrintFailure(report.failure);
        return;
    }
    out << report.manifest << "\n";
}

} // namespace orvex::cli
