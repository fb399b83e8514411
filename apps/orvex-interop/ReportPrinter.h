#pragma once

#include "orvex/Check.h"
#include "orvex/Compare.h"
#include "orvex/Convert.h"
#include "orvex/Pmi.h"
#include "orvex/Read.h"
#include "orvex/Split.h"
#include "orvex/Write.h"

#include <ostream>
#include <string>

namespace orvex::cli {

// How the program shows the library's reports: text on standard output for what was done,
// the program's error and warning lines on standard error, so that the output still pipes.

// Reads a model file with the terminal's progress; prints the error line when it cannot be
// read, else the warning lines of what the read left out.
ReadResult ReadModel(const std::string& path, ReadOptions options = {});

// The program's one error line, "orvex-interop: error: " and `text`.
void PrintFailure(const std::string& text);

// A written file: what it does not keep (warning lines), "wrote FILE (N bytes)", and with
// verification "verified: ..." or the error line saying it reads back different.
void PrintWritten(const WriteReport& report);

// Each difference on a line of its own, then the summary line.
void PrintCompare(std::ostream& out, const CompareReport& report);

// Each product with its declared and computed values and verdicts under `title`, then the
// count and the summary.
void PrintCheck(std::ostream& out, const CheckReport& report, const std::string& title);

// Each dimension, tolerance, datum and datum target on a line of its own under `title`, with
// what it controls, then the count.
void PrintPmi(std::ostream& out, const PmiList& list, const std::string& title);

// One line a file, then "N converted, M failed" (after "shard K/N: " with a shard).
void PrintConvert(std::ostream& out, const ConvertReport& report);

// Each child's file with its size and instance count (what it does not keep first, on
// standard error), then the manifest.
void PrintSplit(std::ostream& out, const SplitReport& report);

} // namespace orvex::cli
