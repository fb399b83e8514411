// orvex-bench-import: time of a full STEP import against OCCT's own XCAF reading of the same
// file, on generated assemblies. See README.md for the cases.
#include "AssemblyGenerator.h"
#include "BenchSupport.h"

#include "Common/Core/CaptureLogSink.h"
#include "Common/Core/Logger.h"
#include "Common/Core/ParameterCreator.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/WorkerProcesses.h"
#include "Data/Kernel/Document.h"
#include "Geometry/IO/StepFileParse.h"
#include "Geometry/IO/StepModelLoad.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Xde2Doc.h"

#include <IFSelect_ReturnStatus.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <StepFile_ReadData.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <XSControl_WorkSession.hxx>
#include <step.tab.hxx>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using orvex::bench::AssemblyParameters;
using orvex::bench::Clock;
using orvex::bench::SecondsBetween;

// Bump when the generator changes what it writes, so that stale cached files are not reused.
const char* const kGeneratorRevision = "g1";

struct ImportCase {
    std::string name;
    AssemblyParameters parameters;
    int iterations = 1;
    int transferJobs = 0; // processes translating the parts; 0: the kernel's default
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

// One side's times, as a child process reports them to the parent; the parent adds the
// child's peak memory and CPU time.
struct Measurement {
    bool ok = false;
    double parseSeconds = 0.0;    // ReadFile
    double transferSeconds = 0.0; // STEP entities into the XCAF document
    double buildSeconds = 0.0;    // the framework document (full import only)
    double seconds = 0.0;         // all of it
    double cpuSeconds = 0.0;
    double peakMegabytes = 0.0;
    double workersMegabytes = 0.0; // the most the import's worker processes held of their own
    size_t count = 0;
    char error[200] = {}; // why a child failed
};

// Runs `measure` in a child process, so that each side starts from the same small heap and
// its peak resident memory is its own. The child leaves without tearing anything down;
// releasing the documents is not timed on either side.
template <class Measure> Measurement InChildProcess(Measure measure)
{
    int channel[2];
    if (::pipe(channel) != 0) {
        return {};
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const Measurement result = measure();
        const bool written = ::write(channel[1], &result, sizeof result) == sizeof result;
        ::_exit(written ? 0 : 1);
    }
    ::close(channel[1]);
    Measurement result;
    const bool received = child > 0 && ::read(channel[0], &result, sizeof result) == sizeof result;
    ::close(channel[0]);
    int status = 0;
    rusage usage{};
    if (child > 0) {
        ::wait4(child, &status, 0, &usage);
    }
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {};
    }
    result.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return result;
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
    // In a child process too, so that the benchmark's own heap stays small for the children
    // forked after it.
    const Measurement generated = InChildProcess([&] {
        Measurement result;
        std::string why;
        result.ok = orvex::bench::WriteAssemblyStep(parameters, path, nullptr, &why);
        std::snprintf(result.error, sizeof result.error, "%s", why.c_str());
        return result;
    });
    if (!generated.ok) {
        error = generated.error;
        return false;
    }
    std::fprintf(stderr, "generated in %.1f s\n", SecondsBetween(start, Clock::now()));
    return true;
}

// What an XCAF document read from a generated file holds.
struct XcafCounts {
    int parts = 0;
    int assemblies = 0;
    int partInstances = 0;
    int coloredFaces = 0;
};

XcafCounts CountContent(const orvkit::XdeDocumentImpl& impl)
{
    XcafCounts counts;
    TDF_LabelSequence shapes;
    impl.shapeTool->GetShapes(shapes);
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
                if (impl.colorTool->IsSet(sub, XCAFDoc_ColorSurf) ||
                    impl.colorTool->IsSet(sub, XCAFDoc_ColorGen)) {
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

// Untimed: reads the file with the kernel (which brings it into the page cache) and checks
// that it holds what the parameters ask for, so a case never times the reading of a wrong file.
Measurement CheckFile(const std::string& path, const AssemblyParameters& parameters)
{
    Measurement result;
    orvkit::XdeDocumentImpl impl;
    result.ok = orvkit::StepModelReader().Open(path, impl, nullptr);
    const std::string mismatch = result.ok ? CompareWithParameters(CountContent(impl), parameters)
                                           : std::string("the kernel could not read it");
    std::snprintf(result.error, sizeof result.error, "%s", mismatch.c_str());
    result.ok = mismatch.empty();
    return result;
}

// OCCT alone: the XCAF reader with its own STEP actor, configured as the kernel configures
// it (same modes, same translator parameters), into a fresh XCAF document.
Measurement ReadWithOcct(const std::string& path)
{
    Measurement result;
    const auto start = Clock::now();
    const Handle(XCAFApp_Application) application = XCAFApp_Application::GetApplication();
    Handle(TDocStd_Document) document;
    application->NewDocument("MDTV-XCAF", document);
    STEPCAFControl_Reader reader;
    orvkit::StaticSettingsScope scope;
    orvkit::StepModelReader::ConfigureReader(reader, scope, nullptr);
    result.ok = reader.ReadFile(path.c_str()) == IFSelect_RetDone;
    const auto parsed = Clock::now();
    result.ok = result.ok && reader.Transfer(document);
    const auto end = Clock::now();
    result.parseSeconds = SecondsBetween(start, parsed);
    result.transferSeconds = SecondsBetween(parsed, end);
    result.seconds = SecondsBetween(start, end);
    TDF_LabelSequence freeShapes;
    XCAFDoc_DocumentTool::ShapeTool(document->Main())->GetFreeShapes(freeShapes);
    result.count = static_cast<size_t>(freeShapes.Length());
    return result;
}

// The full import: Load into the plugin's kernel document, Transfer into a new framework
// document. The kernel's own note on the log splits Load into parsing and translating.
Measurement ImportWithPlugin(const std::string& path, int transferJobs)
{
    Measurement result;
    const auto log = std::make_shared<orvkit::CaptureLogSink>();
    orvkit::Logger::Instance().AddSink(log);
    // The workers' own memory, looked at as often as the program's memory limit does.
    std::atomic<bool> loading{true};
    std::thread watcher([&] {
        while (loading) {
            result.workersMegabytes =
                std::max(result.workersMegabytes, orvkit::WorkerProcesses::PrivateMegabytes());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const auto start = Clock::now();
    orvkit::Xde2Doc converter;
    converter.SetUseColor(true);
    if (transferJobs > 0) {
        converter.GetSettings()->Add(orvkit::StepModelReader::TransferJobsKey,
                                     orvkit::ParameterCreator::Create(transferJobs));
    }
    result.ok = converter.Load(path);
    loading = false;
    watcher.join();
    const auto loaded = Clock::now();
    result.ok = result.ok && converter.Transfer() && converter.GetDocument() != nullptr;
    const auto end = Clock::now();
    orvkit::Logger::Instance().RemoveSink(log);
    result.buildSeconds = SecondsBetween(loaded, end);
    result.seconds = SecondsBetween(start, end);
    bool split = false;
    for (const orvkit::LogRecord& record : log->GetRecords()) {
        const size_t at = record.text.rfind(" in ");
        const size_t before = record.text.rfind(" in ", at - 1);
        if (record.text.rfind("STEP reader: parsed ", 0) == 0 && before != std::string::npos &&
            std::sscanf(record.text.c_str() + before, " in %lf s, translated it in %lf s",
                        &result.parseSeconds, &result.transferSeconds) == 2) {
            split = true;
        }
    }
    result.ok = result.ok && split;
    if (result.ok) {
        result.count = converter.GetDocument()->GetElementCount();
    }
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
    const Measurement check =
        InChildProcess([&] { return CheckFile(path, importCase.parameters); });
    if (!check.ok) {
        state.SkipWithError((path + ": " + check.error).c_str());
        return;
    }

    Measurement a, b; // sums over the iterations
    // ORVEX_BENCH_VERBOSE prints every iteration's times on standard error.
    const bool verbose = std::getenv("ORVEX_BENCH_VERBOSE") != nullptr;
    int runs = 0;
    for (auto _ : state) {
        const Measurement stock = InChildProcess([&] { return ReadWithOcct(path); });
        const Measurement full =
            InChildProcess([&] { return ImportWithPlugin(path, importCase.transferJobs); });
        if (!stock.ok || stock.count != 1) {
            state.SkipWithError("OCCT could not read the generated file into one root");
            break;
        }
        if (!full.ok || full.count == 0) {
            state.SkipWithError("the import failed, gave an empty document or no timing note");
            break;
        }
        state.SetIterationTime(full.seconds);
        if (verbose) {
            std::fprintf(stderr,
                         "%s #%d: stock %.3f s (parse %.3f, transfer %.3f, %.0f MB), import "
                         "%.3f s (parse %.3f, transfer %.3f, build %.3f, %.0f MB)\n",
                         importCase.name.c_str(), runs + 1, stock.seconds, stock.parseSeconds,
                         stock.transferSeconds, stock.peakMegabytes, full.seconds,
                         full.parseSeconds, full.transferSeconds, full.buildSeconds,
                         full.peakMegabytes);
        }
        for (auto [sum, one] : {std::pair{&a, &stock}, std::pair{&b, &full}}) {
            sum->parseSeconds += one->parseSeconds;
            sum->transferSeconds += one->transferSeconds;
            sum->buildSeconds += one->buildSeconds;
            sum->seconds += one->seconds;
            sum->cpuSeconds += one->cpuSeconds;
            sum->peakMegabytes = std::max(sum->peakMegabytes, one->peakMegabytes);
            sum->workersMegabytes = std::max(sum->workersMegabytes, one->workersMegabytes);
            sum->count = one->count;
        }
        ++runs;
    }
    if (runs == 0) {
        return;
    }
    const double n = runs;
    state.counters["a_parse_s"] = a.parseSeconds / n;
    state.counters["a_transfer_s"] = a.transferSeconds / n;
    state.counters["a_total_s"] = a.seconds / n;
    state.counters["a_cpu_s"] = a.cpuSeconds / n;
    state.counters["a_peak_MB"] = a.peakMegabytes;
    state.counters["b_parse_s"] = b.parseSeconds / n;
    state.counters["b_transfer_s"] = b.transferSeconds / n;
    state.counters["b_build_s"] = b.buildSeconds / n;
    state.counters["b_total_s"] = b.seconds / n;
    state.counters["b_cpu_s"] = b.cpuSeconds / n;
    state.counters["b_peak_MB"] = b.peakMegabytes;
    state.counters["b_workers_MB"] = b.workersMegabytes;
    state.counters["b_div_a"] = b.seconds / a.seconds;
    state.counters["b_div_a_transfer"] = b.transferSeconds / a.transferSeconds;
    state.counters["b_div_a_peak"] = b.peakMegabytes / a.peakMegabytes;
    state.counters["b_transfer_us_per_instance"] =
        b.transferSeconds / n / importCase.parameters.instances * 1e6;
    state.counters["elements"] = static_cast<double>(b.count);
    state.counters["instances"] = importCase.parameters.instances;
    state.counters["parts"] = importCase.parameters.parts;
    std::error_code code;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path, code)) / 1e6;
}

// The parse alone, ours against OpenCASCADE's, each in a process of its own.
enum class ParseSide {
    OcctLex,        // OpenCASCADE's scanner and parser filling its record lists
    OcctParse,      // OpenCASCADE's whole ReadFile: records, reader data, entities, graph
    OursLex,        // StepFileParse: the file read, lexed and cut into records
    OursParse,      // StepFileParse, then the reader data, entities and graph as ReadFile does
    OursTwoThreads, // OursParse of the file in two threads at once
    OursTwice,      // OursParse twice, one after the other
};

bool ParseOurs(const std::string& path)
{
    orvkit::StepFileParse parse = orvkit::StepFileParse::Read(path);
    if (parse.GetOutcome() != orvkit::StepFileParse::Parsed) {
        return false;
    }
    const orvkit::TranslatorLock lock;
    STEPCAFControl_Reader reader;
    orvkit::StaticSettingsScope scope;
    orvkit::StepModelReader::ConfigureReader(reader, scope, nullptr);
    return orvkit::LoadStepModel(parse, reader.ChangeReader().WS(), path);
}

Measurement MeasureParse(const std::string& path, ParseSide side)
{
    Measurement result;
    const auto start = Clock::now();
    switch (side) {
    case ParseSide::OcctLex: {
        std::ifstream in(path, std::ios::binary);
        StepFile_ReadData records;
        step::scanner scanner(&records, &in);
        scanner.yyrestart(&in);
        step::parser parser(&scanner);
        result.ok = parser.parse() == 0;
        int header = 0;
        int count = 0;
        int params = 0;
        records.GetFileNbR(&header, &count, &params);
        result.count = size_t(count);
        break;
    }
    case ParseSide::OcctParse: {
        STEPCAFControl_Reader reader;
        orvkit::StaticSettingsScope scope;
        orvkit::StepModelReader::ConfigureReader(reader, scope, nullptr);
        result.ok = reader.ReadFile(path.c_str()) == IFSelect_RetDone;
        break;
    }
    case ParseSide::OursLex: {
        const orvkit::StepFileParse parse = orvkit::StepFileParse::Read(path);
        result.ok = parse.GetOutcome() == orvkit::StepFileParse::Parsed;
        result.count = size_t(parse.GetRecordCount());
        break;
    }
    case ParseSide::OursParse:
        result.ok = ParseOurs(path);
        break;
    case ParseSide::OursTwoThreads: {
        bool other = false;
        std::thread second([&] { other = ParseOurs(path); });
        result.ok = ParseOurs(path);
        second.join();
        result.ok = result.ok && other;
        break;
    }
    case ParseSide::OursTwice:
        result.ok = ParseOurs(path) && ParseOurs(path);
        break;
    }
    result.seconds = SecondsBetween(start, Clock::now());
    return result;
}

struct ParseCase {
    std::string name;
    AssemblyParameters parameters; // of a generated file
    std::string corpusFile;        // or a file of the corpus
};

void RunParseCase(benchmark::State& state, const ParseCase& parseCase)
{
    std::string path = parseCase.corpusFile;
    std::string error;
    if (path.empty() && !EnsureFile(parseCase.parameters, path, error)) {
        state.SkipWithError(("cannot generate the file: " + error).c_str());
        return;
    }
    if (!std::filesystem::is_regular_file(path)) {
        state.SkipWithError((path + " is not there").c_str());
        return;
    }
    constexpr int kSides = 6;
    double sums[kSides] = {};
    int runs = 0;
    for (auto _ : state) {
        Measurement one[kSides];
        for (int side = 0; side < kSides; ++side) {
            one[side] = InChildProcess([&] { return MeasureParse(path, ParseSide(side)); });
            if (!one[side].ok) {
                state.SkipWithError("a parse failed");
                return;
            }
            sums[side] += one[side].seconds;
        }
        state.SetIterationTime(one[int(ParseSide::OursParse)].seconds);
        ++runs;
    }
    if (runs == 0) {
        return;
    }
    const auto mean = [&](ParseSide side) { return sums[int(side)] / runs; };
    state.counters["a_lex_s"] = mean(ParseSide::OcctLex);
    state.counters["b_lex_s"] = mean(ParseSide::OursLex);
    state.counters["b_div_a_lex"] = mean(ParseSide::OursLex) / mean(ParseSide::OcctLex);
    state.counters["a_parse_s"] = mean(ParseSide::OcctParse);
    state.counters["b_parse_s"] = mean(ParseSide::OursParse);
    state.counters["b_div_a_parse"] = mean(ParseSide::OursParse) / mean(ParseSide::OcctParse);
    state.counters["b_two_threads_s"] = mean(ParseSide::OursTwoThreads);
    state.counters["b_one_after_other_s"] = mean(ParseSide::OursTwice);
    std::error_code code;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path, code)) / 1e6;
}

std::vector<ImportCase> ImportCases()
{
    std::vector<ImportCase> cases;
    // Assemblies: 50 parts, 3 levels (10 x 10 leaf assemblies), element colours only.
    for (const int instances : {10'000, 50'000, 100'000}) {
        ImportCase importCase;
        importCase.name = "Import/P50_D3_N" + std::to_string(instances);
        importCase.parameters.parts = 50;
        importCase.parameters.instances = instances;
        importCase.parameters.depth = 3;
        importCase.parameters.fanout = 10;
        importCase.iterations = instances <= 10'000 ? 3 : 2;
        cases.push_back(importCase);
    }
    // Many distinct 20-face parts, each placed once, with a third of their faces coloured.
    ImportCase faceColors;
    faceColors.name = "ImportFaceColors/P2000_F20";
    faceColors.parameters.parts = 2'000;
    faceColors.parameters.instances = 2'000;
    faceColors.parameters.depth = 1;
    faceColors.parameters.faces = 20;
    faceColors.parameters.faceColors = true;
    faceColors.iterations = 2;
    cases.push_back(faceColors);
    // Distinct mixed parts placed once each, with and without face colours, translated in one
    // process and in two.
    for (const int parts : {500, 1'000, 2'000, 4'000}) {
        for (const bool colors : {false, true}) {
            for (const int jobs : {1, 2}) {
                ImportCase distinct;
                distinct.name = "ImportDistinct/P" + std::to_string(parts) + (colors ? "_C" : "") +
                                "/J" + std::to_string(jobs);
                distinct.parameters.parts = parts;
                distinct.parameters.instances = parts;
                distinct.parameters.depth = 1;
                distinct.parameters.faceColors = colors;
                distinct.transferJobs = jobs;
                cases.push_back(distinct);
            }
        }
    }
    return cases;
}

std::vector<ParseCase> ParseCases()
{
    std::vector<ParseCase> cases;
    // The largest files of the import cases.
    for (const ImportCase& importCase : ImportCases()) {
        if (importCase.transferJobs == 0 &&
            (importCase.parameters.instances >= 100'000 || importCase.parameters.faceColors)) {
            const std::string suffix = importCase.name.substr(importCase.name.find('/'));
            cases.push_back({"Parse" + suffix, importCase.parameters, {}});
        }
    }
    // The corpus's largest well-formed STEP file.
    cases.push_back({"Parse/corpus_trj4_pm2",
                     {},
                     std::string(ORVEX_CORPUS_DIR) + "/large/trj4_pm2-ec-214.stp"});
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
    for (const ParseCase& parseCase : ParseCases()) {
        benchmark::RegisterBenchmark(
            parseCase.name.c_str(),
            [parseCase](benchmark::State& state) { RunParseCase(state, parseCase); })
            ->Iterations(iterations > 0 ? iterations : 2)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
