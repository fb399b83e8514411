#pragma once

// Callers of the logger get the sink interface and the scoped indentation with it; the
// concrete sinks have headers of their own.
#include "Common/Core/LogAutoIndent.h"
#include "Common/Core/LogSink.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orvkit {

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

    // For a process forked to do part of this one's work: nothing it logs from now on reaches
    // the sinks, which are its parent's (their files, their callbacks, their lines on the
    // terminal). Takes no lock, since another thread may have held it at the fork.
    void Mute();

    // Indentation of the calling thread's walk; LogAutoIndent moves it.
    void PushIndent();
    void PopIndent();
    int GetIndent() const;

    // Keeps, while it lives, the first error or report (level 3 or more) that its thread logs,
    // with OpenCASCADE's framing removed: why an operation that only logs its failure failed.
    // Scopes nest; the innermost one keeps.
    class FirstProblem {
    public:
        FirstProblem();
        ~FirstProblem();
        FirstProblem(const FirstProblem&) = delete;
        FirstProblem& operator=(const FirstProblem&) = delete;

        // Empty when nothing was logged at that level.
        const std::string& Get() const { return myText; }

    private:
        friend class Logger;
        FirstProblem* myOuter;
        std::string myText;
    };

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
    std::atomic<bool> myMuted{false};
};

} // namespace orvkit

// Logs an error with the location line of the calling source file.
#define ORVKIT_LOG_ERROR(text) ::orvkit::Logger::Instance().Error((text), __LINE__, __FILE__)
// Logs a message at `level` with the location line of the calling source file.
#define ORVKIT_LOG_ERROR_AT(level, text)                                                           \
    ::orvkit::Logger::Instance().Error((text), __LINE__, __FILE__, (level))
