#pragma once

namespace orvkit {

// Scoped indentation around one step of a recursive walk. The title is kept as a pointer
// (string literals), so opening a scope costs no allocation.
class LogAutoIndent {
public:
    explicit LogAutoIndent(const char* title);
    ~LogAutoIndent();
    LogAutoIndent(const LogAutoIndent&) = delete;
    LogAutoIndent& operator=(const LogAutoIndent&) = delete;

    const char* GetTitle() const { return myTitle; }

private:
    const char* myTitle;
};

} // namespace orvkit
