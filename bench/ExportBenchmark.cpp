// orvex-bench-export: writing a generated assembly through the faithful way out (STEP with its
// tree, names, colours and validation properties; GLB with a mesh per part), against reading
// the same file, at 10,000 and 100,000 instances. See README.md.
#include "AssemblyGenerator.h"
#include "BenchSupport.h"

#include "Common/Core/ScopedTempFolder.h"
#include "Interop/Kernel/XdeModelReader.h"
#include "Interop/Kernel/XdeModelWriter.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

using orvex::bench::Clock;
using orvex::bench::SecondsBetween;

// Read: the file into a kernel document. Then each format is written from a fresh read, so
// that a write never sees a document an earlier write has meshed or changed.
void BM_Export(benchmark::State& state, const char* extension)
{
    const orvkit::ScopedTempFolder workspace("orvex-bench-export-");
    orvex::bench::AssemblyParameters parameters;
    parameters.instances = static_cast<int>(state.range(0));
    const std::string input = (workspace.GetPath() / "assembly.step").string();
    std::string why;
    if (workspace.GetPath().empty() ||
        !orvex::bench::WriteAssemblyStep(parameters, input, nullptr, &why)) {
        state.SkipWithError(("cannot generate the assembly: " + why).c_str());
        return;
    }
    const std::string output = (workspace.GetPath() / (std::string("out") + extension)).string();
    double readSeconds = 0.0;
    double writeSeconds = 0.0;
    for (auto _ : state) {
        orvkit::XdeDocumentImpl model;
        const auto start = Clock::now();
        if (!orvkit::XdeModelReader::Open(input, model, nullptr)) {
            state.SkipWithError("cannot read the generated assembly");
            return;
        }
        const auto read = Clock::now();
        const orvkit::XdeWriteResult result =
            orvkit::XdeModelWriter::Save(output, model, orvkit::XdeWriteOptions());
        const auto written = Clock::now();
        if (!result) {
            state.SkipWithError(result.failure.c_str());
            return;
        }
        readSeconds += SecondsBetween(start, read);
        writeSeconds += SecondsBetween(read, written);
        state.SetIterationTime(SecondsBetween(read, written));
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["read_s"] = readSeconds / runs;
    state.counters["write_s"] = writeSeconds / runs;
    state.counters["write_per_read"] = writeSeconds / readSeconds;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(output));
}

} // namespace

BENCHMARK_CAPTURE(BM_Export, step, ".stp")
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_Export, glb, ".glb")
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
