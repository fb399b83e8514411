#include "FileDiagnosis.h"

#include "Common/Core/PathUtil.h"

#include <iostream>
#include <sys/stat.h>

namespace orvex::cli {

namespace {

std::string Diagnose(const std::string& file, const std::vector<orvkit::LogRecord>& log)
{
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return "no such file";
    }
    if (S_ISDIR(info.st_mode)) {
        return "it is a directory";
    }
    if (info.st_size == 0) {
        return "the file is empty";
    }
    const std::string extension = orvkit::PathUtil::Extension(file);
    if (extension != ".step" && extension != ".stp" && extension != ".iges" &&
        extension != ".igs") {
        return "unsupported extension '" + extension +
               "' (expected .step, .stp, .iges or .igs, in lower case)";
    }
    const bool step = extension == ".step" || extension == ".stp";
    std::string reason = step ? "not a readable STEP file" : "not a readable IGES file";
    // The translator's own last complaint says more than our guess.
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
        if (it->level >= 3) {
            return reason + " (" + it->text + ")";
        }
    }
    return reason;
}

} // namespace

void ReportLoadFailure(const std::string& file, const std::vector<orvkit::LogRecord>& log)
{
    std::cerr << "orvex-interop: error: cannot read '" << file << "': " << Diagnose(file, log)
              << "\n";
}

} // namespace orvex::cli
