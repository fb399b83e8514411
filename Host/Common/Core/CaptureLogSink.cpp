#include "CaptureLogSink.h"

#include <algorithm>

namespace orvkit {

void CaptureLogSink::Write(const LogRecord& record)
{
    const std::lock_guard<std::mutex> lock(myMutex);
    myRecords.push_back(record);
}

std::vector<LogRecord> CaptureLogSink::GetRecords() const
{
    const std::lock_guard<std::mutex> lock(myMutex);
    return myRecords;
}

void CaptureLogSink::Clear()
{
    const std::lock_guard<std::mutex> lock(myMutex);
    myRecords.clear();
}

bool CaptureLogSink::Contains(int level, const std::string& text) const
{
    const std::lock_guard<std::mutex> lock(myMutex);
    return std::any_of(myRecords.begin(), myRecords.end(),
                       [&](const LogRecord& r) { return r.level == level && r.text == text; });
}

} // namespace orvkit
