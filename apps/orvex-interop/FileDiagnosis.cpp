#include "FileDiagnosis.h"

#include "Common/Core/PathUtil.h"

#include <cstring>
#include <iostream>
#include <sys/stat.h>

namespace orvex::cli {

namespace {

const char* const kOcctPrefix = "OCCT: ";

// OpenCASCADE frames its errors in asterisks; keep the words only.
std::string Tidy(const std::string& text)
{
    const size_t first = text.find_first_not_of("* ");
    const size_t last = text.find_last_not_of("* ");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string Diagnose(const std::string& file, const std::vector<orvkit::LogRecord>& log)
{
    const std::string problem = ProblemWithFile(file);
    if (!problem.empty()) {
        return problem;
    }
    const std::string extension = orvkit::PathUtil::Extension(file);
    if (extension != ".step" && extension != ".stp" && extension != ".iges" &&
        extension != ".igs") {
        return "unsupported extension '" + extension +
               "' (expected .step, .stp, .iges or .igs, in lower case)";
    }
    const bool step = extension == ".step" || extension == ".stp";
    std::string reason = step ? "not a readable STEP file" : "not a readable IGES file";
    // The translator's own first complaint (a parse error with its line) says the most;
    // otherwise the reader's own last error.
    for (const auto& record : log) {
        if (record.level >= 3 && record.text.rfind(kOcctPrefix, 0) == 0) {
            return reason + ": " + Tidy(record.text.substr(std::strlen(kOcctPrefix)));
        }
    }
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
        if (it->level >= 3) {
            return reason + ": " + it->text;
        }
    }
    return reason;
}

} // namespace

std::string ProblemWithFile(const std::string& file)
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
    return std::string();
}

void PrintError(const std::string& file, const std::string& reason)
{
    std::cerr << "orvex-interop: error: cannot read '" << file << "': " << reason << "\n";
}

LoadLog::LoadLog() : mySink(std::make_shared<orvkit::CaptureLogSink>())
{
    orvkit::Logger::Instance().AddSink(mySink);
}

LoadLog::~LoadLog()
{
    orvkit::Logger::Instance().RemoveSink(mySink);
}

void LoadLog::ReportFailure(const std::string& file) const
{
    PrintError(file, Diagnose(file, mySink->GetRecords()));
}

} // namespace orvex::cli
