#pragma once

#include "WriteChoices.h"

#include "Interop/Kernel/XdeModelWriter.h"

#include <string>
#include <vector>

namespace orvex::cli {

// What the verbs that write a model out again (export, split) share: their checks of the
// options, the read of the model, and their messages. The error lines go to standard error,
// one per failure.

// The program's one error line, "orvex-interop: error: " and `text`.
void PrintWriteFailure(const std::string& text);
// "cannot write 'PATH': REASON".
std::string CannotWriteText(const std::string& path, const std::string& reason);
// "no format is written as 'NAME' (one of: ...)".
std::string UnknownFormatText(const std::string& name);
// "no part, assembly or instance is named 'NAME'".
std::string NoSuchElementText(const std::string& name);

// Checks the choices, then reads the input into `model`, with the options as the writer takes
// them in `writeOptions`; false after one error line. What the read left out of the model is
// said in warning lines.
bool ReadForWriting(const std::string& input, const WriteChoices& choices,
                    orvkit::XdeWriteOptions& writeOptions, orvkit::XdeDocumentImpl& model);

// What the file written does not keep, on standard error, so that the output still pipes.
void PrintNotKept(const std::string& file, const std::vector<std::string>& warnings);

// What reading a written file back found: equal to the model it was written from or not, the
// differences as `compare` words them (or why the file could not be read), and the summary.
struct WriteVerdict {
    bool equal = false;
    std::vector<std::string> differences;
    std::string summary;
};

// Reads `file` back and compares it with `written`, the model it was written from (read from
// `source`), on what the file's format holds.
WriteVerdict VerifyWritten(const orvkit::XdeDocumentImpl& written, const std::string& source,
                           const std::string& file);

// The verdict: "verified: ..." on standard output when equal, else one error line
// "'FILE': written, but it reads back different: ..." on standard error.
void PrintVerdict(const std::string& file, const WriteVerdict& verdict);

// Whether an error line (without its prefix) is the one PrintVerdict gives a file that was
// written but reads back different.
bool IsReadBackDifference(const std::string& line);

// The size of a file in bytes; -1 when it cannot be had.
long long FileSize(const std::string& path);

} // namespace orvex::cli
