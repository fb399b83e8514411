#pragma once

#include "Common/Core/Logger.h"

#include <memory>
#include <string>
#include <vector>

namespace orvex::cli {

// Why a path cannot be read as an input file (missing, a folder, empty); empty when it can.
std::string ProblemWithFile(const std::string& file);
// The first error or message to the user the log holds (level 3 or more), with
// OpenCASCADE's framing removed; empty when there is none.
std::string FirstError(const std::vector<orvkit::LogRecord>& log);
// The program's one error line about an input file.
void PrintError(const std::string& file, const std::string& reason);

// Keeps what is logged while a file loads, so that a failure can be explained afterwards.
class LoadLog {
public:
    LoadLog();
    ~LoadLog();
    LoadLog(const LoadLog&) = delete;
    LoadLog& operator=(const LoadLog&) = delete;

    // Prints one line on standard error saying why the file could not be read: missing, a
    // folder, empty, an extension no reader takes, or what the reader itself reported.
    void ReportFailure(const std::string& file) const;
    // A copy of what was logged so far.
    std::vector<orvkit::LogRecord> GetRecords() const { return mySink->GetRecords(); }

private:
    std::shared_ptr<orvkit::CaptureLogSink> mySink;
};

// Prints one line on standard error saying why a scene file could not be loaded: missing, a
// folder, empty, an extension no scene reader takes, or where and why the VRML parser stopped.
// A scene that parses but cannot be one (a group inside itself) is explained by what the reader
// logged.
void ReportSceneFailure(const std::string& file, const std::vector<orvkit::LogRecord>& log);

} // namespace orvex::cli
