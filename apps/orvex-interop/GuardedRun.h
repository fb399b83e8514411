#pragma once

#include <functional>
#include <string>

namespace orvex::cli {

// Runs a verb so that no input file can take the program down without a word:
// - on a thread with a large stack, so that deeply nested real files never reach its end;
// - with a time limit: when `seconds` (> 0) pass first, one line says which file was being read
//   and the program ends with exit code 1, since a translator loop cannot be stopped otherwise;
// - with a last-resort handler for faults the readers could not turn into errors, which says
//   which file it was and ends the program with exit code 1 (left out in sanitizer builds, whose
//   own reports say more).
// Returns the verb's exit code.
int GuardedRun(const std::function<int()>& verb, double seconds, const std::string& input);

} // namespace orvex::cli
