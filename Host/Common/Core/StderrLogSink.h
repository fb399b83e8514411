#pragma once

#include "Common/Core/LogSink.h"

namespace orvkit {

// Writes records to standard error, indented by walk depth, from a level threshold up.
class StderrLogSink : public LogSink {
public:
    explicit StderrLogSink(int minLevel) : myMinLevel(minLevel) {}
    int GetMinLevel() const override { return myMinLevel; }
    void Write(const LogRecord& record) override;

private:
    int myMinLevel;
};

} // namespace orvkit
