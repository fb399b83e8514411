// orvex-bench-verify: what `export --verify` costs over `export`, as a user pays it: the
// program itself on a generated assembly of 10,000 instances, written as STEP and as GLB. See
// README.md.
#include "AssemblyGenerator.h"
#include "BenchSupport.h"

#include "Common/Core/ScopedTempFolder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using orvex::bench::Clock;
using orvex::bench::SecondsBetween;

// Exports `input` to `output`, verified or not; the wall time in seconds, or a negative value
// when the program did not end with exit code 0 (a verified file that reads back different
// ends with 1, which would make the comparison meaningless).
double Export(const fs::path& input, const fs::path& output, bool verify)
{
    const std::string command = std::string("'") + ORVEX_PROGRAM + "' export " +
                                (verify ? "--verify " : "") + "'" + input.string() + "' '" +
                                output.string() + "' >/dev/null 2>&1";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = SecondsBetween(start, Clock::now());
    std::error_code ignored;
    fs::remove(output, ignored);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1.0;
}

void BM_Verify(benchmark::State& state, const char* extension)
{
    const orvkit::ScopedTempFolder workspace("orvex-bench-verify-");
    orvex::bench::AssemblyParameters parameters;
    parameters.instances = static_cast<int>(state.range(0));
    const fs::path input = workspace.GetPath() / "assembly.step";
    std::string why;
    if (workspace.GetPath().empty() ||
        !orvex::bench::WriteAssemblyStep(parameters, input.string(), nullptr, &why)) {
        state.SkipWithError(("cannot generate the assembly: " + why).c_str());
        return;
    }
    const fs::path output = workspace.GetPath() / (std::string("out") + extension);
    double plain = 0.0, verified = 0.0;
    int runs = 0;
    for (auto _ : state) {
        // Alternate which goes first, so that neither always runs on a page cache the other
        // has just warmed.
        double a = 0.0, b = 0.0;
        if (runs % 2 == 0) {
            a = Export(input, output, false);
            b = Export(input, output, true);
        } else {
            b = Export(input, output, true);
            a = Export(input, output, false);
        }
        if (a < 0 || b < 0) {
            state.SkipWithError("the program did not export, or the file read back different");
            return;
        }
        state.SetIterationTime(b);
        plain += a;
        verified += b;
        ++runs;
    }
    state.counters["export_s"] = plain / runs;
    state.counters["verified_s"] = verified / runs;
    state.counters["verified_div_export"] = verified / plain;
}

} // namespace

int main(int argc, char** argv)
{
    const int iterations = orvex::bench::IterationsFromEnvironment(1);
    for (const char* extension : {".stp", ".glb"}) {
        benchmark::RegisterBenchmark((std::string("Verify/") + (extension + 1)).c_str(), BM_Verify,
                                     extension)
            ->Arg(10000)
            ->Iterations(iterations)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    }
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
