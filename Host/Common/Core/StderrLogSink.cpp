#include "StderrLogSink.h"

#include <algorithm>
#include <cstdio>

namespace orvkit {

void StderrLogSink::Write(const LogRecord& record)
{
    std::string line(static_cast<size_t>(std::max(record.indent, 0)) * 2, ' ');
    line += record.text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace orvkit
