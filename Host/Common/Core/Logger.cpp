#include "Logger.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace orvkit {

namespace {

// Nothing is wanted while no sink is installed.
constexpr int kNoSinkLevel = 1 << 30;

// Each thread walks (and indents) on its own.
thread_local int theIndent = 0;
// The innermost FirstProblem of the thread; null when none is open.
thread_local Logger::FirstProblem* theProblem = nullptr;

constexpr int kProblemLevel = 3;
const char* const kOcctPrefix = "OCCT: ";

// Whether a message must be formatted: some sink wants it, or the thread keeps its problems.
bool Wanted(int level, int minLevel)
{
    return level >= minLevel || (theProblem != nullptr && level >= kProblemLevel);
}

// OpenCASCADE frames its errors in asterisks; keep the words only.
std::string Tidy(const std::string& text)
{
    if (text.rfind(kOcctPrefix, 0) != 0) {
        return text;
    }
    const std::string words = text.substr(std::char_traits<char>::length(kOcctPrefix));
    const size_t first = words.find_first_not_of("* ");
    const size_t last = words.find_last_not_of("* ");
    return first == std::string::npos ? std::string() : words.substr(first, last - first + 1);
}

} // namespace

Logger& Logger::Instance()
{
    static Logger instance;
    return instance;
}

Logger::Logger() : mySinks(std::make_shared<const SinkList>()), myMinLevel(kNoSinkLevel) {}

Logger::FirstProblem::FirstProblem() : myOuter(theProblem)
{
    theProblem = this;
}

Logger::FirstProblem::~FirstProblem()
{
    theProblem = myOuter;
}

void Logger::Message(int level, const char* format, ...)
{
    if (!Wanted(level, myMinLevel.load(std::memory_order_relaxed))) {
        return;
    }
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0) {
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    }
    va_end(args);
    Dispatch(LogRecord{level, theIndent, false, std::move(text)});
}

void Logger::Message(int level, const std::string& text)
{
    if (!Wanted(level, myMinLevel.load(std::memory_order_relaxed))) {
        return;
    }
    Dispatch(LogRecord{level, theIndent, false, text});
}

void Logger::Error(const std::string& text, int line, const char* file, int level)
{
    Message(level, text);
    Location(line, file);
}

void Logger::Location(int line, const char* file)
{
    Message(1, "\t#%d, %s", line, GetFileName(file).c_str());
}

void Logger::Report(const std::string& text)
{
    Dispatch(LogRecord{3, theIndent, true, text});
}

std::string Logger::GetFileName(const char* path)
{
    if (path == nullptr) {
        return {};
    }
    std::string text(path);
    const size_t slash = text.find_last_of("/\\");
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

void Logger::AddSink(const std::shared_ptr<LogSink>& sink)
{
    const std::lock_guard<std::recursive_mutex> lock(myMutex);
    if (!sink || std::find(mySinks->begin(), mySinks->end(), sink) != mySinks->end()) {
        return;
    }
    auto sinks = std::make_shared<SinkList>(*mySinks);
    sinks->push_back(sink);
    mySinks = std::move(sinks);
    UpdateMinLevel();
}

void Logger::RemoveSink(const std::shared_ptr<LogSink>& sink)
{
    const std::lock_guard<std::recursive_mutex> lock(myMutex);
    auto sinks = std::make_shared<SinkList>(*mySinks);
    sinks->erase(std::remove(sinks->begin(), sinks->end(), sink), sinks->end());
    mySinks = std::move(sinks);
    UpdateMinLevel();
}

void Logger::Mute()
{
    myMuted.store(true);
    myMinLevel.store(kNoSinkLevel, std::memory_order_relaxed);
}

void Logger::PushIndent()
{
    ++theIndent;
}

void Logger::PopIndent()
{
    --theIndent;
}

int Logger::GetIndent() const
{
    return theIndent;
}

void Logger::Dispatch(const LogRecord& record)
{
    if (myMuted.load()) {
        return;
    }
    if (theProblem != nullptr && theProblem->myText.empty() && record.level >= kProblemLevel) {
        theProblem->myText = Tidy(record.text);
    }
    const std::lock_guard<std::recursive_mutex> lock(myMutex);
    // The list as it is now; a sink that adds or removes sinks from its Write changes the
    // next record's list, not this one's.
    const std::shared_ptr<const SinkList> sinks = mySinks;
    for (const auto& sink : *sinks) {
        // Reports reach every sink whatever its threshold: they are meant to be seen.
        if (record.report || record.level >= sink->GetMinLevel()) {
            sink->Write(record);
        }
    }
}

void Logger::UpdateMinLevel()
{
    int level = kNoSinkLevel;
    for (const auto& sink : *mySinks) {
        level = std::min(level, sink->GetMinLevel());
    }
    myMinLevel.store(level, std::memory_order_relaxed);
}

} // namespace orvkit
