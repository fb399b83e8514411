#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orvkit {

// One line written through the logger. Reports are texts meant for the user.
struct LogRecord {
    int level = 0;
    int indent = 0;
    bool report = false;
    std::string text;
};

// Receives log records. The logger keeps shared ownership of its sinks and hands a sink one
// record at a time, whichever thread logs, so a sink needs no lock of its own for Write.
class LogSink {
public:
    virtual ~LogSink() = default;
    // Lowest level this sink wants; records below it are not formatted for it.
    virtual int GetMinLevel() const { return 0; }
    virtual void Write(const LogRecord& record) = 0;
};

// Writes records to standard error, indented by walk depth, from a level threshold up.
class StderrLogSink : public LogSink {
public:
    explicit StderrLogSink(int minLevel) : myMinLevel(minLevel) {}
    int GetMinLevel() const override { return myMinLevel; }
    void Write(const LogRecord& record) override;

private:
    int myMinLevel;
};

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

// The process-wide logger. Levels: 3 errors, 4 failed opens, 1 and 2 progress notes;
// after an error comes a location line at level 1 ("\t#line, file").
//
// Every function may be called from any thread. Records reach the sinks one at a time and in
// the same order for every sink; a sink removed by RemoveSink gets nothing more once the call
// returns. The indentation is kept per thread, so a walk in one thread does not move the lines
// of another.
class Logger {
public:
    static Logger& Instance();

    // printf-style message. Nothing is formatted when no sink wants the level.
    void Message(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void Message(int level, const std::string& text);
    // Writes an error (level 3, or `level`) and its location line as one pair.
    void Error(const std::string& text, int line, const char* file, int level = 3);
    // The location line that follows an error: "\t#line, file" at level 1.
    void Location(int line, const char* file);
    // A text meant for the user (shown by the program, kept by capturing sinks).
    void Report(const std::string& text);

    // Last component of a source path, for location lines.
    static std::string GetFileName(const char* path);

    // Adds a sink after the others; a null sink or one already added is ignored.
    void AddSink(const std::shared_ptr<LogSink>& sink);
    // Takes the sink out; it receives nothing more after the call.
    void RemoveSink(const std::shared_ptr<LogSink>& sink);

    // Indentation of the calling thread's walk; LogAutoIndent moves it.
    void PushIndent();
    void PopIndent();
    int GetIndent() const;

private:
    using SinkList = std::vector<std::shared_ptr<LogSink>>;

    Logger();
    // Hands the record to every sink that wants its level (all of them for a report).
    void Dispatch(const LogRecord& record);
    // Recomputes the lowest level any sink wants; called with myMutex held.
    void UpdateMinLevel();

    // Held while the list is replaced and while a record goes to the sinks. Recursive, so that
    // a sink that logs from its Write does not lock itself out.
    mutable std::recursive_mutex myMutex;
    // Replaced as a whole on every change, so that a dispatch walks a list nobody changes.
    std::shared_ptr<const SinkList> mySinks;
    // Read without the lock: a message below it is dropped before it is formatted.
    std::atomic<int> myMinLevel;
};

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

// Logs an error with the location line of the calling source file.
#define ORVKIT_LOG_ERROR(text) ::orvkit::Logger::Instance().Error((text), __LINE__, __FILE__)
// Logs a message at `level` with the location line of the calling source file.
#define ORVKIT_LOG_ERROR_AT(level, text)                                                           \
    ::orvkit::Logger::Instance().Error((text), __LINE__, __FILE__, (level))
