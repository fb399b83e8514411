// orvex-bench-startup: where a process's start-up goes. Each case starts one program and waits
// for it: probes that do nothing but are linked against more and more of OpenCASCADE, then the
// program itself on --version, which reads no file; last, small real files imported by the
// program against OpenCASCADE's own read, each as a whole process. See README.md.
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using orvex::bench::Clock;
using orvex::bench::SecondsBetween;

// Starts `argv` with its output discarded and waits for it; the wall time in seconds, or a
// negative value when it could not start or did not end well.
double TimeProcess(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return -1.0;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const double seconds = SecondsBetween(start, Clock::now());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1.0;
}

void TimeStartUp(benchmark::State& state, const std::vector<std::string>& argv)
{
    // One untimed start brings the program and its libraries into the page cache.
    if (TimeProcess(argv) < 0) {
        state.SkipWithError(("cannot run " + argv[0]).c_str());
        return;
    }
    for (auto _ : state) {
        const double seconds = TimeProcess(argv);
        if (seconds < 0) {
            state.SkipWithError(("a run of " + argv[0] + " failed").c_str());
            return;
        }
        state.SetIterationTime(seconds);
    }
}

const char* const kProbes = ORVEX_PROBE_DIR;

// The same empty program linked against nothing but the C++ runtime, against OCCT's kernel
// library, against its XDE document library (which pulls in its visualisation, image and font
// libraries), and against every OCCT library the program links.
void BM_StartUp_Bare(benchmark::State& state)
{
    TimeStartUp(state, {std::string(kProbes) + "/orvex-startup-probe-bare"});
}
void BM_StartUp_OcctKernel(benchmark::State& state)
{
    TimeStartUp(state, {std::string(kProbes) + "/orvex-startup-probe-kernel"});
}
void BM_StartUp_OcctXde(benchmark::State& state)
{
    TimeStartUp(state, {std::string(kProbes) + "/orvex-startup-probe-xde"});
}
void BM_StartUp_OcctAll(benchmark::State& state)
{
    TimeStartUp(state, {std::string(kProbes) + "/orvex-startup-probe-occt"});
}
// The program with our libraries and the plugin, doing no work.
void BM_StartUp_Program(benchmark::State& state)
{
    TimeStartUp(state, {ORVEX_PROGRAM, "--version"});
}

// The STEP files under 200 KB of the folder ORVEX_SMALL_FILES names (OCCT's test data, see
// scripts/sweep.sh), in name order.
std::vector<std::string> SmallStepFiles()
{
    std::vector<std::string> files;
    const char* folder = std::getenv("ORVEX_SMALL_FILES");
    std::error_code error;
    if (folder == nullptr || !std::filesystem::is_directory(folder, error)) {
        return files;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        if (entry.is_regular_file() && (extension == ".stp" || extension == ".step") &&
            entry.file_size() < 200 * 1024) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The fastest of `runs` runs of each command, taken in turns; negative when one failed.
std::pair<double, double> FastestOfEach(const std::vector<std::string>& ours,
                                        const std::vector<std::string>& theirs, int runs)
{
    double best[2] = {1e9, 1e9};
    for (int run = 0; run < runs; ++run) {
        for (int side = 0; side < 2; ++side) {
            const double seconds = TimeProcess(side == 0 ? ours : theirs);
            if (seconds < 0) {
                return side == 0 ? std::pair{-1.0, best[1]} : std::pair{best[0], -1.0};
            }
            best[side] = std::min(best[side], seconds);
        }
    }
    return {best[0], best[1]};
}

double Quantile(std::vector<double> values, double quantile)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[static_cast<size_t>(quantile * (values.size() - 1))];
}

// Each small STEP file imported by the program and read by OpenCASCADE alone, each as a
// whole process, start-up included; the fastest of four runs of each side, taken in turns (the
// first brings the file into the page cache). A file either side fails on is counted and left
// out.
void BM_SmallFiles_ImportAgainstOcct(benchmark::State& state)
{
    const std::vector<std::string> files = SmallStepFiles();
    if (files.empty()) {
        state.SkipWithError("ORVEX_SMALL_FILES names no folder with STEP files under 200 KB");
        return;
    }
    std::vector<double> ratios, ours, theirs;
    int failed = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (const std::string& file : files) {
            const std::vector<std::string> importing = {ORVEX_PROGRAM, "import", file};
            const std::vector<std::string> reading = {ORVEX_OCCT_STEP_READ, file};
            const auto [mine, occt] = FastestOfEach(importing, reading, 4);
            if (mine < 0 || occt < 0) {
                ++failed;
                continue;
            }
            ours.push_back(mine);
            theirs.push_back(occt);
            ratios.push_back(mine / occt);
        }
        state.SetIterationTime(SecondsBetween(start, Clock::now()));
    }
    state.counters["files"] = static_cast<double>(ratios.size());
    state.counters["failed"] = failed;
    state.counters["ours_median_ms"] = Quantile(ours, 0.5) * 1e3;
    state.counters["occt_median_ms"] = Quantile(theirs, 0.5) * 1e3;
    state.counters["ratio_median"] = Quantile(ratios, 0.5);
    state.counters["ratio_p90"] = Quantile(ratios, 0.9);
}

BENCHMARK(BM_StartUp_Bare)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartUp_OcctKernel)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartUp_OcctXde)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartUp_OcctAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartUp_Program)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_SmallFiles_ImportAgainstOcct)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
