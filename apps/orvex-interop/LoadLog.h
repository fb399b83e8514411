#pragma once

#include "Common/Core/CaptureLogSink.h"
#include "Common/Core/Logger.h"

#include <memory>
#include <vector>

namespace orvex::cli {

// Keeps what is logged while something runs, so that what it only logs can be shown afterwards:
// the line-style reader, whose interface is fixed, says which definitions it skipped in the log
// alone.
class LoadLog {
public:
    LoadLog();
    ~LoadLog();
    LoadLog(const LoadLog&) = delete;
    LoadLog& operator=(const LoadLog&) = delete;

    // A copy of what was logged so far.
    std::vector<orvkit::LogRecord> GetRecords() const { return mySink->GetRecords(); }

private:
    std::shared_ptr<orvkit::CaptureLogSink> mySink;
};

} // namespace orvex::cli
