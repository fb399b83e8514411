// orvex-bench-convert: wall time of "orvex-interop convert" on a batch of STEP files with one
// child process at a time against two at a time, and on a thousand small files against a loop
// of "import" calls. See README.md.
#include "AssemblyGenerator.h"
#include "BenchSupport.h"

#include "Common/Core/ScopedTempFolder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using orvex::bench::Clock;
using orvex::bench::ProcessCpuSeconds;
using orvex::bench::SecondsBetween;

const int kFiles = 20;
const char* const kSample = ORVEX_EXAMPLES_DIR "/as1-assembly.stp";

std::string Quote(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// Runs `command` through the shell; its wall time in seconds, or a negative value when it
// failed.
double TimeShell(const std::string& command)
{
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1.0;
}

// Converts every input with `jobs` children at a time into a new folder; returns the wall
// time in seconds, or a negative value when the program failed or an output is missing.
double Convert(const orvkit::ScopedTempFolder& workspace, const std::string& inputs, int jobs,
               int run)
{
    const fs::path out = workspace.GetPath() / ("out-" + std::to_string(run));
    fs::create_directory(out);
    const std::string command = std::string("'") + ORVEX_PROGRAM +
                                "' convert --format step --jobs " + std::to_string(jobs) +
                                " --out " + Quote(out) + " " + inputs + " >/dev/null 2>&1";
    const double seconds = TimeShell(command);
    const auto written = std::distance(fs::directory_iterator(out), fs::directory_iterator());
    std::error_code ignored;
    fs::remove_all(out, ignored);
    return written == kFiles ? seconds : -1.0;
}

void BM_Convert(benchmark::State& state)
{
    const orvkit::ScopedTempFolder workspace("orvex-bench-convert-");
    if (workspace.GetPath().empty()) {
        state.SkipWithError("cannot make a temporary folder");
        return;
    }
    std::string inputs;
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "model-%02d.stp", i);
        std::error_code code;
        fs::copy_file(kSample, workspace.GetPath() / name, code);
        if (code) {
            state.SkipWithError("cannot copy the sample file");
            return;
        }
        inputs += " " + Quote(workspace.GetPath() / name);
    }
    // One untimed run brings the program, its libraries and the inputs into the page cache.
    if (Convert(workspace, inputs, 2, -1) < 0) {
        state.SkipWithError("the program did not convert every file");
        return;
    }
    double one = 0.0, two = 0.0, oneMin = 0.0, twoMin = 0.0;
    int runs = 0;
    for (auto _ : state) {
        // Alternate which goes first, so that neither always runs on a machine the other has
        // just warmed or loaded.
        double a = 0.0, b = 0.0;
        if (runs % 2 == 0) {
            a = Convert(workspace, inputs, 1, 2 * runs);
            b = Convert(workspace, inputs, 2, 2 * runs + 1);
        } else {
            b = Convert(workspace, inputs, 2, 2 * runs);
            a = Convert(workspace, inputs, 1, 2 * runs + 1);
        }
        if (a < 0 || b < 0) {
            state.SkipWithError("the program did not convert every file");
            break;
        }
        state.SetIterationTime(b);
        oneMin = runs == 0 ? a : std::min(oneMin, a);
        twoMin = runs == 0 ? b : std::min(twoMin, b);
        one += a;
        two += b;
        ++runs;
    }
    if (runs == 0) {
        return;
    }
    state.counters["files"] = kFiles;
    state.counters["jobs1_s"] = one / runs;
    state.counters["jobs2_s"] = two / runs;
    state.counters["jobs2_div_jobs1"] = two / one;
    state.counters["jobs1_min_s"] = oneMin;
    state.counters["jobs2_min_s"] = twoMin;
    state.counters["jobs2_div_jobs1_min"] = twoMin / oneMin;
}

const int kSmallFiles = 1000;

// Writes the list of `kSmallFiles` copies of a generated 50 KB part file (six coloured parts,
// a third of their faces coloured too) into the workspace; false when it cannot.
bool MakeSmallFiles(const orvkit::ScopedTempFolder& workspace, fs::path& list)
{
    orvex::bench::AssemblyParameters parameters;
    parameters.parts = 6;
    parameters.instances = 6;
    parameters.depth = 1;
    parameters.faceColors = true;
    const fs::path model = workspace.GetPath() / "model.stp";
    if (!orvex::bench::WriteAssemblyStep(parameters, model.string())) {
        return false;
    }
    list = workspace.GetPath() / "list.txt";
    std::ofstream names(list);
    for (int i = 0; i < kSmallFiles; ++i) {
        const fs::path copy = workspace.GetPath() / ("part-" + std::to_string(i) + ".stp");
        std::error_code code;
        fs::copy_file(model, copy, code);
        if (code) {
            return false;
        }
        names << copy.string() << "\n";
    }
    return static_cast<bool>(names.flush());
}

// A thousand small files: `convert --jobs 2` to STEP against a shell loop that imports them
// one process after another, the way a script without `convert` would go through them.
void BM_ConvertSmallFiles(benchmark::State& state)
{
    const orvkit::ScopedTempFolder workspace("orvex-bench-convert-small-");
    fs::path list;
    if (workspace.GetPath().empty() || !MakeSmallFiles(workspace, list)) {
        state.SkipWithError("cannot write the small files");
        return;
    }
    const std::string program = std::string("'") + ORVEX_PROGRAM + "'";
    const fs::path out = workspace.GetPath() / "out";
    const std::string convert = program + " convert --format step --jobs 2 --from-list " +
                                Quote(list) + " --out " + Quote(out) + " >/dev/null 2>&1";
    const std::string loop = "while read -r f; do " + program +
                             " import \"$f\" >/dev/null || exit 1; done < " + Quote(list);
    double converted = 0.0, imported = 0.0;
    int runs = 0;
    for (auto _ : state) {
        std::error_code ignored;
        fs::remove_all(out, ignored);
        const double a = TimeShell(convert);
        const double b = TimeShell(loop);
        if (a < 0 || b < 0) {
            state.SkipWithError("the program failed on a small file");
            return;
        }
        state.SetIterationTime(a);
        converted += a;
        imported += b;
        ++runs;
    }
    state.counters["files"] = kSmallFiles;
    state.counters["convert_jobs2_files_per_s"] = kSmallFiles * runs / converted;
    state.counters["import_loop_files_per_s"] = kSmallFiles * runs / imported;
}

} // namespace

int main(int argc, char** argv)
{
    const int iterations = orvex::bench::IterationsFromEnvironment(2);
    benchmark::RegisterBenchmark("Convert/Files20_Step", BM_Convert)
        ->Iterations(iterations)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    // A run takes about three minutes on two cores, so one iteration unless asked for more.
    benchmark::RegisterBenchmark("Convert/Files1000_50KB", BM_ConvertSmallFiles)
        ->Iterations(orvex::bench::IterationsFromEnvironment(1))
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
