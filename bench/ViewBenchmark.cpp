// orvex-bench-view: wall time of "orvex-interop view" and "orvex-interop snapshot" against
// "orvex-interop import" on the same generated assembly, the size of the page and how soon
// headless Chromium shows it. See README.md.
#include "AssemblyGenerator.h"
#include "BenchSupport.h"

#include "Common/Core/ScopedTempFolder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    const std::string picture = (folder / "assembly.png").string();
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
    double import = 0.0, view = 0.0, snapshot = 0.0;
    int runs = 0;
    for (auto _ : state) {
        // Alternate which goes first, as the import benchmark does.
        const std::string importing = "import " + quoted + " > /dev/null";
        const std::string viewing = "view " + quoted + " -o '" + page + "' > /dev/null";
        const std::string picturing = "snapshot " + quoted + " '" + picture + "' > /dev/null";
        double a = 0.0, b = 0.0, c = 0.0;
        if (runs % 2 == 0) {
            a = Run(importing);
            b = Run(viewing);
            c = Run(picturing);
        } else {
            c = Run(picturing);
            b = Run(viewing);
            a = Run(importing);
        }
        if (a < 0 || b < 0 || c < 0) {
            state.SkipWithError("the program failed");
            break;
        }
        state.SetIterationTime(b);
        import += a;
        view += b;
        snapshot += c;
        ++runs;
    }
    if (runs > 0) {
        // Once, untimed by the benchmark itself: headless Chromium opening the last page, with
        // the time the page says its first frame was drawn at (in the browser's virtual
        // time, which leaves out the renderer's own work; browser_s has it).
        const auto opened = Clock::now();
        const std::string dom = Capture(
            "chromium --headless --no-sandbox --use-gl=swiftshader --enable-unsafe-swiftshader "
            "--virtual-time-budget=20000 --dump-dom 'file://" +
            page + "' 2>/dev/null");
        state.counters["browser_s"] = SecondsBetween(opened, Clock::now());
        const char* mark = "&quot;firstFrameMs&quot;:";
        const size_t frame = dom.find(mark);
        state.counters["first_frame_s"] =
            frame == std::string::npos
                ? -1.0
                : std::atof(dom.c_str() + frame + std::strlen(mark)) / 1000.0;
        std::error_code code;
        state.counters["import_s"] = import / runs;
        state.counters["view_s"] = view / runs;
        state.counters["view_div_import"] = view / import;
        state.counters["snapshot_s"] = snapshot / runs;
        state.counters["snapshot_div_import"] = snapshot / import;
        state.counters["page_MB"] = static_cast<double>(fs::file_size(page, code)) / 1e6;
        state.counters["instances"] = instances;
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int iterations = orvex::bench::IterationsFromEnvironment(2);
    for (const int instances : {1'000, 10'000, 100'000}) {
        benchmark::RegisterBenchmark(
            ("View/P50_D3_N" + std::to_string(instances)).c_str(),
            [instances](benchmark::State& state) { RunViewCase(state, instances); })
            ->Iterations(iterations)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
