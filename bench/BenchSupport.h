#pragma once

#include <chrono>

namespace orvex::bench {

using Clock = std::chrono::steady_clock;

// Wall-clock seconds between two instants.
double SecondsBetween(Clock::time_point start, Clock::time_point end);
// CPU time of the whole process. On a loaded machine the wall-clock times of two sides drift
// apart with whatever else runs; their CPU times much less.
double ProcessCpuSeconds();
// ORVEX_BENCH_ITERATIONS when it is set (at least 1), else `fallback`.
int IterationsFromEnvironment(int fallback);
// Google Benchmark's own main, for the cases registered so far; the process's exit code.
int RunRegisteredBenchmarks(int argc, char** argv);

} // namespace orvex::bench
