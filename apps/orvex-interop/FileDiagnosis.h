#pragma once

#include "Common/Core/Logger.h"

#include <memory>
#include <string>

namespace orvex::cli {

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

private:
    std::shared_ptr<orvkit::CaptureLogSink> mySink;
};

// Prints one line on standard error saying why a scene file could not be loaded: missing, a
// folder, empty, an extension no scene reader takes, or where and why the VRML parser stopped.
void ReportSceneFailure(const std::string& file);

} // namespace orvex::cli
