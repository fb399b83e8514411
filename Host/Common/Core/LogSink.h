#pragma once

#include "Common/Core/LogRecord.h"

namespace orvkit {

// Receives log records. The logger keeps shared ownership of its sinks and hands a sink one
// record at a time, whichever thread logs, so a sink needs no lock of its own for Write.
class LogSink {
public:
    virtual ~LogSink() = default;
    // Lowest level this sink wants; records below it are not formatted for it.
    virtual int GetMinLevel() const { return 0; }
    virtual void Write(const LogRecord& record) = 0;
};

} // namespace orvkit
