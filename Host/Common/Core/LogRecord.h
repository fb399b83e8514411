#pragma once

#include <string>

namespace orvkit {

// One line written through the logger. Reports are texts meant for the user.
struct LogRecord {
    int level = 0;
    int indent = 0;
    bool report = false;
    std::string text;
};

} // namespace orvkit
