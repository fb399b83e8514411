// orvex-bench-startup: where a process's start-up goes. Each case starts one program and waits
// for it: probes that do nothing but are linked against more and more of OpenCASCADE, then the
// program itself on --version, which reads no file. See README.md.
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cerrno>
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

BENCHMARK(BM_StartUp_Bare)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartUp_OcctKernel)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartUp_OcctXde)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartUp_OcctAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartUp_Program)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace

int main(int argc, char** argv)
{
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
