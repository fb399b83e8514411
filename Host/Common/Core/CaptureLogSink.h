#pragma once

#include "Common/Core/LogSink.h"

#include <mutex>
#include <string>
#include <vector>

namespace orvkit {

// Keeps every record in memory; used by tests and by callers that show a log afterwards. It
// may be read from another thread while records arrive.
class CaptureLogSink : public LogSink {
public:
    void Write(const LogRecord& record) override;
    // A copy of the records so far, in the order they arrived.
    std::vector<LogRecord> GetRecords() const;
    // True when some record at the level has exactly this text (indentation not counted).
    bool Contains(int level, const std::string& text) const;
    // Forgets the records so far.
    void Clear();

private:
    mutable std::mutex myMutex;
    std::vector<LogRecord> myRecords;
};

} // namespace orvkit
