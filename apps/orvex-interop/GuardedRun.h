#pragma once

#include <functional>
#include <string>

namespace orvex::cli {

// What a verb may take before it is stopped; 0 for no limit.
struct RunLimits {
    // Negative: DefaultTimeLimit of the verb's input.
    double seconds = 0;
    double megabytes = 0; // of the process's resident memory, and its read's workers'
    // Processes that translate a STEP file's parts; 0: one per core.
    int transferJobs = 0;
};

// Three quarters of this machine's physical memory, in megabytes: what a read may take by
// default, leaving the rest to the system and to what else runs.
double DefaultMemoryLimit();

// What a read of `input` may take by default: 30 s, and 2 s more for each megabyte of the
// file. A small file that hangs a translator ends within a minute; the largest assemblies
// import at about half a second a megabyte, so a 1 GB file has more than half an hour, four
// times what it needs. 900 s when there is no input file to size.
double DefaultTimeLimit(const std::string& input);

// Runs a verb so that no input file can take the program down without a word:
// - on a thread with a large stack, so that deeply nested real files never reach its end;
// - with a time and a memory limit: when the time passes, or the process's resident memory
//   grows past the limit, one line says which file was being read and the program ends with
//   exit code 1, since a translator loop cannot be stopped otherwise and a translator that runs
//   out of memory takes the machine down with it;
// - with a last-resort handler for faults the readers could not turn into errors, which says
//   which file it was and ends the program with exit code 1 (left out in sanitizer builds, whose
//   own reports say more).
// Returns the verb's exit code.
int GuardedRun(const std::function<int()>& verb, const RunLimits& limits, const std::string& input);

} // namespace orvex::cli
