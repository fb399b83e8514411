// orvex-bench-import: time of a full STEP import against OCCT's own XCAF reading of the same
// file, on generated assemblies. See README.md for the cases.
#include "AssemblyGenerator.h"
#include "BenchSupport.h"

#include "Data/Kernel/Document.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/XdeDocumentSTEP.h"
#include "Xde2Doc.h"

#include <IFSelect_ReturnStatus.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using orvex::bench::AssemblyParameters;
using orvex::bench::Clock;
using orvex::bench::ProcessCpuSeconds;
using orvex::bench::SecondsBetween;

// Bump when the generator changes what it writes, so that stale cached files are not reused.
const char* const kGeneratorRevision = "g1";

struct ImportCase {
    std::string name;
    AssemblyParameters parameters;
    bool useColor = true;
    int iterations = 1;
};

std::string DataDirectory()
{
    if (const char* directory = std::getenv("ORVEX_BENCH_DATA_DIR")) {
        if (*directory != '\0') {
            return directory;
        }
    }
    return ORVEX_BENCH_DATA_DIR;
}

// The file for `parameters`, generated on first use and reused by later runs.
bool EnsureFile(const AssemblyParameters& parameters, std::string& path, std::string& error)
{
    const std::filesystem::path directory = DataDirectory();
    std::error_code code;
    std::filesystem::create_directories(directory, code);
    path = (directory / ("assembly-" + std::string(kGeneratorRevision) + "-" +
                         orvex::bench::DescribeParameters(parameters) + ".step"))
               .string();
    if (std::filesystem::is_regular_file(path, code) &&
        std::filesystem::file_size(path, code) > 0) {
        return true;
    }
    std::fprintf(stderr, "generating %s\n", path.c_str());
    const auto start = Clock::now();
    if (!orvex::bench::WriteAssemblyStep(parameters, path, nullptr, &error)) {
        return false;
    }
    std::fprintf(stderr, "generated in %.1f s\n", SecondsBetween(start, Clock::now()));
    return true;
}

struct Measurement {
    bool ok = false;
    double seconds = 0.0;
    double cpuSeconds = 0.0;
    double loadSeconds = 0.0;
    double transferSeconds = 0.0;
    double transferWithoutColorSeconds = 0.0;
    size_t count = 0;
};

// What an XCAF document read from a generated file holds.
struct XcafCounts {
    int parts = 0;
    int assemblies = 0;
    int partInstances = 0;
    int coloredFaces = 0;
};

XcafCounts CountContent(const Handle(TDocStd_Document)& document)
{
    XcafCounts counts;
    const Handle(XCAFDoc_ShapeTool) shapeTool = XCAFDoc_DocumentTool::ShapeTool(document->Main());
    const Handle(XCAFDoc_ColorTool) colorTool = XCAFDoc_DocumentTool::ColorTool(document->Main());
    TDF_LabelSequence shapes;
    shapeTool->GetShapes(shapes);
    for (const TDF_Label& label : shapes) {
        if (XCAFDoc_ShapeTool::IsAssembly(label)) {
            ++counts.assemblies;
            TDF_LabelSequence components;
            XCAFDoc_ShapeTool::GetComponents(label, components, Standard_False);
            for (const TDF_Label& component : components) {
                TDF_Label referred;
                if (XCAFDoc_ShapeTool::GetReferredShape(component, referred) &&
                    XCAFDoc_ShapeTool::IsSimpleShape(referred) &&
                    !XCAFDoc_ShapeTool::IsAssembly(referred)) {
                    ++counts.partInstances;
                }
            }
        } else if (XCAFDoc_ShapeTool::IsSimpleShape(label)) {
            ++counts.parts;
            TDF_LabelSequence subShapes;
            XCAFDoc_ShapeTool::GetSubShapes(label, subShapes);
            for (const TDF_Label& sub : subShapes) {
                if (colorTool->IsSet(sub, XCAFDoc_ColorSurf) ||
                    colorTool->IsSet(sub, XCAFDoc_ColorGen)) {
                    ++counts.coloredFaces;
                }
            }
        }
    }
    return counts;
}

// Empty when the counts are those the generator promises for `parameters`.
std::string CompareWithParameters(const XcafCounts& counts, const AssemblyParameters& parameters)
{
    int assemblies = 0;
    for (int level = 0, width = 1; level < parameters.depth; ++level, width *= parameters.fanout) {
        assemblies += width;
    }
    int coloredFaces = -1; // mixed parts: only "some"
    if (!parameters.faceColors) {
        coloredFaces = 0;
    } else if (parameters.faces > 0) {
        coloredFaces = parameters.parts * ((parameters.faces + 2) / 3);
    }
    auto describe = [](const char* what, int found, int expected) {
        return std::string(what) + " " + std::to_string(found) + " instead of " +
               std::to_string(expected);
    };
    if (counts.parts != parameters.parts) {
        return describe("parts", counts.parts, parameters.parts);
    }
    if (counts.assemblies != assemblies) {
        return describe("assemblies", counts.assemblies, assemblies);
    }
    if (counts.partInstances != parameters.instances) {
        return describe("part instances", counts.partInstances, parameters.instances);
    }
    if (coloredFaces >= 0 ? counts.coloredFaces != coloredFaces : counts.coloredFaces == 0) {
        return describe("coloured faces", counts.coloredFaces, coloredFaces);
    }
    return {};
}

// OCCT alone: the XCAF reader configured as the plugin configures it for STEP (same modes,
// same translator parameters), reading into a fresh XCAF document. Closing the document is
// not timed, as the teardown of the full import is not either.
Measurement ReadWithOcct(const std::string& path, XcafCounts* counts = nullptr)
{
    Measurement result;
    const double cpuStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    const Handle(XCAFApp_Application) application = XCAFApp_Application::GetApplication();
    Handle(TDocStd_Document) document;
    application->NewDocument("MDTV-XCAF", document);
    {
        STEPCAFControl_Reader reader;
        orvkit::StaticSettingsScope scope;
        orvkit::XdeDocumentSTEP::ConfigureReader(reader, scope, nullptr);
        result.ok = reader.ReadFile(path.c_str()) == IFSelect_RetDone;
        result.loadSeconds = SecondsBetween(start, Clock::now());
        result.ok = result.ok && reader.Transfer(document);
    }
    result.seconds = SecondsBetween(start, Clock::now());
    result.cpuSeconds = ProcessCpuSeconds() - cpuStart;
    result.transferSeconds = result.seconds - result.loadSeconds;
    TDF_LabelSequence freeShapes;
    XCAFDoc_DocumentTool::ShapeTool(document->Main())->GetFreeShapes(freeShapes);
    result.count = static_cast<size_t>(freeShapes.Length());
    if (counts != nullptr && result.ok) {
        *counts = CountContent(document);
    }
    application->Close(document);
    return result;
}

// The full import: Load into the plugin's kernel document, Transfer into a new framework
// document. Destroying both documents is not timed.
Measurement ImportWithPlugin(const std::string& path, bool useColor)
{
    Measurement result;
    const double cpuStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    auto converter = std::make_unique<orvkit::Xde2Doc>();
    converter->SetUseColor(useColor);
    result.ok = converter->Load(path);
    const auto loaded = Clock::now();
    if (result.ok) {
        result.ok = converter->Transfer() && converter->GetDocument() != nullptr;
    }
    const auto end = Clock::now();
    result.cpuSeconds = ProcessCpuSeconds() - cpuStart;
    result.loadSeconds = SecondsBetween(start, loaded);
    result.transferSeconds = SecondsBetween(loaded, end);
    result.seconds = SecondsBetween(start, end);
    if (result.ok) {
        result.count = converter->GetDocument()->GetElementCount();
    }
    if (result.ok && useColor) {
        // Not part of b: the same kernel document written once more without the per-face
        // colour tables, to tell their share of Transfer() apart. The first document is kept
        // alive so that its destruction does not land in this time.
        const std::shared_ptr<orvkit::Document> first = converter->GetDocument();
        converter->SetUseColor(false);
        const auto again = Clock::now();
        converter->Transfer();
        result.transferWithoutColorSeconds = SecondsBetween(again, Clock::now());
        if (converter->GetDocument()->GetElementCount() != result.count) {
            result.ok = false;
        }
    }
    converter.reset();
    return result;
}

void RunImportCase(benchmark::State& state, const ImportCase& importCase)
{
    std::string path;
    std::string error;
    if (!EnsureFile(importCase.parameters, path, error)) {
        state.SkipWithError(("cannot generate the file: " + error).c_str());
        return;
    }
    // One untimed read first: it brings the file into the page cache and grows the heap to
    // the size a read of this file needs, which the first timed read would otherwise pay for
    // alone. It also checks that the file holds what the parameters ask for, so a case never
    // times the reading of a wrong file.
    XcafCounts found;
    if (!ReadWithOcct(path, &found).ok) {
        state.SkipWithError("OCCT could not read the generated file");
        return;
    }
    const std::string mismatch = CompareWithParameters(found, importCase.parameters);
    if (!mismatch.empty()) {
        state.SkipWithError((path + ": " + mismatch).c_str());
        return;
    }

    double occt = 0.0, occtRead = 0.0, full = 0.0, fullLoad = 0.0, fullTransfer = 0.0;
    double occtCpu = 0.0, fullCpu = 0.0, transferWithoutColor = 0.0;
    double occtMin = 0.0, fullMin = 0.0;
    // ORVEX_BENCH_VERBOSE prints every iteration's times on standard error.
    const bool verbose = std::getenv("ORVEX_BENCH_VERBOSE") != nullptr;
    size_t elements = 0;
    int runs = 0;
    for (auto _ : state) {
        // Alternate which side goes first, so that neither always runs right after the other
        // has released its memory.
        Measurement a, b;
        if (runs % 2 == 0) {
            a = ReadWithOcct(path);
            b = ImportWithPlugin(path, importCase.useColor);
        } else {
            b = ImportWithPlugin(path, importCase.useColor);
            a = ReadWithOcct(path);
        }
        if (!a.ok || a.count != 1) {
            state.SkipWithError("OCCT could not read the generated file into one root");
            break;
        }
        if (!b.ok || b.count == 0) {
            state.SkipWithError("the import gave no document, an empty one, or a different one "
                                "without colours");
            break;
        }
        state.SetIterationTime(b.seconds);
        occtMin = runs == 0 ? a.seconds : std::min(occtMin, a.seconds);
        fullMin = runs == 0 ? b.seconds : std::min(fullMin, b.seconds);
        if (verbose) {
            std::fprintf(stderr,
                         "%s #%d (%s first): a %.3f s, b %.3f s (load %.3f, transfer %.3f)\n",
                         importCase.name.c_str(), runs + 1, runs % 2 == 0 ? "a" : "b", a.seconds,
                         b.seconds, b.loadSeconds, b.transferSeconds);
        }
        occt += a.seconds;
        occtCpu += a.cpuSeconds;
        fullCpu += b.cpuSeconds;
        occtRead += a.loadSeconds;
        full += b.seconds;
        fullLoad += b.loadSeconds;
        fullTransfer += b.transferSeconds;
        transferWithoutColor += b.transferWithoutColorSeconds;
        elements = b.count;
        ++runs;
    }
    if (runs == 0) {
        return;
    }
    const double n = runs;
    state.counters["a_occt_s"] = occt / n;
    state.counters["a_readfile_s"] = occtRead / n;
    state.counters["b_full_s"] = full / n;
    state.counters["b_load_s"] = fullLoad / n;
    state.counters["b_transfer_s"] = fullTransfer / n;
    if (importCase.useColor) {
        state.counters["c_transfer_nocolor_s"] = transferWithoutColor / n;
    }
    state.counters["b_div_a"] = full / occt;
    state.counters["b_minus_a_s"] = (full - occt) / n;
    state.counters["a_min_s"] = occtMin;
    state.counters["b_min_s"] = fullMin;
    state.counters["b_div_a_min"] = fullMin / occtMin;
    state.counters["a_cpu_s"] = occtCpu / n;
    state.counters["b_cpu_s"] = fullCpu / n;
    state.counters["b_div_a_cpu"] = fullCpu / occtCpu;
    state.counters["b_minus_a_cpu_s"] = (fullCpu - occtCpu) / n;
    state.counters["elements"] = static_cast<double>(elements);
    state.counters["instances"] = importCase.parameters.instances;
    state.counters["parts"] = importCase.parameters.parts;
    std::error_code code;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path, code)) / 1e6;
}

std::vector<ImportCase> ImportCases()
{
    std::vector<ImportCase> cases;
    // Assemblies: 50 parts, 3 levels (10 x 10 leaf assemblies), element colours only.
    for (const int instances : {5'000, 50'000}) {
        ImportCase importCase;
        importCase.name = "Import/P50_D3_N" + std::to_string(instances);
        importCase.parameters.parts = 50;
        importCase.parameters.instances = instances;
        importCase.parameters.depth = 3;
        importCase.parameters.fanout = 10;
        importCase.iterations = instances <= 5'000 ? 4 : 2;
        cases.push_back(importCase);
    }
    // Many distinct 20-face parts, each placed once, with a third of their faces coloured.
    for (const int parts : {2'000, 4'000}) {
        ImportCase importCase;
        importCase.name = "ImportFaceColors/P" + std::to_string(parts) + "_F20";
        importCase.parameters.parts = parts;
        importCase.parameters.instances = parts;
        importCase.parameters.depth = 1;
        importCase.parameters.faces = 20;
        importCase.parameters.faceColors = true;
        importCase.iterations = 2;
        cases.push_back(importCase);
    }
    return cases;
}

} // namespace

int main(int argc, char** argv)
{
    // The import routes OCCT's messages to the host logger on its first read. Doing it here,
    // before anything runs, gives both sides of every comparison the same message handling.
    orvkit::InstallOcctServices();
    // ORVEX_BENCH_ITERATIONS replaces every case's iteration count, for longer runs on a
    // noisy machine.
    const int iterations = orvex::bench::IterationsFromEnvironment(0);
    for (ImportCase importCase : ImportCases()) {
        if (iterations > 0) {
            importCase.iterations = iterations;
        }
        benchmark::RegisterBenchmark(
            importCase.name.c_str(),
            [importCase](benchmark::State& state) { RunImportCase(state, importCase); })
            ->Iterations(importCase.iterations)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
