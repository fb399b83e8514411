// orvex-bench-view: wall time of "orvex-interop view" against "orvex-interop import" on the
// same generated assembly, and the size of the page. See README.md.
#include "AssemblyGenerator.h"
#include "BenchSupport.h"

#include "Common/Core/ScopedTempFolder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
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

// What a command prints on standard output.
std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[65536];
        for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, read);
        }
        ::pclose(pipe);
    }
    return out;
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
        // Once, untimed by the benchmark itself: headless Chromium opening the last page, with
        // the time the page says it was ready at.
        const auto opened = Clock::now();
        const std::string dom = Capture("chromium --headless --no-sandbox --use-gl=swiftshader "
                                        "--enable-unsafe-swiftshader --dump-dom 'file://" +
                                        page + "' 2>/dev/null");
        state.counters["browser_s"] = SecondsBetween(opened, Clock::now());
        const size_t ready = dom.find("&quot;loadMs&quot;:");
        state.counters["page_ready_s"] =
            ready == std::string::npos ? -1.0 : std::atof(dom.c_str() + ready + 19) / 1000.0;
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
