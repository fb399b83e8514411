// orvex-bench-view: wall time of "orvex-interop view" against "orvex-interop import" on the
// same generated assembly, and the size of the page. See README.md.
#include "AssemblyGenerator.h"
#include "BenchSupport.h"

#include "Common/Core/ScopedTempFolder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using orvex::bench::Clock;
using orvex::bench::SecondsBetween;

// The wall time of one run of the program with `arguments`; negative when it failed.
double Run(const std::string& arguments)
{
    const auto start = Clock::now();
    const int status = std::system((std::string(ORVEX_PROGRAM) + " " + arguments).c_str());
    return status == 0 ? SecondsBetween(start, Clock::now()) : -1.0;
}

void RunViewCase(benchmark::State& state, int instances)
{
    const orvkit::ScopedTempFolder workspace("orvex-bench-view-");
    const fs::path& folder = workspace.GetPath();
    if (folder.empty()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string model = (folder / "assembly.step").string();
    const std::string page = (folder / "assembly.html").string();
    orvex::bench::AssemblyParameters parameters;
    parameters.parts = 50;
    parameters.instances = instances;
    parameters.depth = 3;
    std::string error;
    if (!orvex::bench::WriteAssemblyStep(parameters, model, nullptr, &error)) {
        state.SkipWithError(("cannot generate the file: " + error).c_str());
        return;
    }
    const std::string quoted = "'" + model + "'";
    Run("import " + quoted + " > /dev/null"); // page cache, untimed
    double import = 0.0, view = 0.0;
    int runs = 0;
    for (auto _ : state) {
        // Alternate which goes first, as the import benchmark does.
        double a = 0.0, b = 0.0;
        if (runs % 2 == 0) {
            a = Run("import " + quoted + " > /dev/null");
            b = Run("view " + quoted + " -o '" + page + "' > /dev/null");
        } else {
            b = Run("view " + quoted + " -o '" + page + "' > /dev/null");
            a = Run("import " + quoted + " > /dev/null");
        }
        if (a < 0 || b < 0) {
            state.SkipWithError("the program failed");
            break;
        }
        state.SetIterationTime(b);
        import += a;
        view += b;
        ++runs;
    }
    if (runs > 0) {
        std::error_code code;
        state.counters["import_s"] = import / runs;
        state.counters["view_s"] = view / runs;
        state.counters["view_div_import"] = view / import;
        state.counters["page_MB"] = static_cast<double>(fs::file_size(page, code)) / 1e6;
        state.counters["instances"] = instances;
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int iterations = orvex::bench::IterationsFromEnvironment(4);
    for (const int instances : {100, 10'000}) {
        benchmark::RegisterBenchmark(
            ("View/P50_D3_N" + std::to_string(instances)).c_str(),
            [instances](benchmark::State& state) { RunViewCase(state, instances); })
            ->Iterations(iterations)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
