#include "Logger.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace orvkit {

void StderrLogSink::Write(const LogRecord& record)
{
    std::string line(static_cast<size_t>(std::max(record.indent, 0)) * 2, ' ');
    line += record.text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

bool CaptureLogSink::Contains(int level, const std::string& text) const
{
    return std::any_of(myRecords.begin(), myRecords.end(), [&](const LogRecord& r) {
        return r.level == level && r.text == text;
    });
}

Logger& Logger::Instance()
{
    static Logger instance;
    return instance;
}

void Logger::Message(int level, const char* format, ...)
{
    if (level < myMinLevel) {
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
    Dispatch(LogRecord{level, myIndent, false, std::move(text)});
}

void Logger::Message(int level, const std::string& text)
{
    if (level < myMinLevel) {
        return;
    }
    Dispatch(LogRecord{level, myIndent, false, text});
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
    // Reports reach every sink whatever its threshold: they are meant to be seen.
    LogRecord record{3, myIndent, true, text};
    for (const auto& sink : mySinks) {
        sink->Write(record);
    }
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
    if (sink && std::find(mySinks.begin(), mySinks.end(), sink) == mySinks.end()) {
        mySinks.push_back(sink);
    }
    UpdateMinLevel();
}

void Logger::RemoveSink(const std::shared_ptr<LogSink>& sink)
{
    mySinks.erase(std::remove(mySinks.begin(), mySinks.end(), sink), mySinks.end());
    UpdateMinLevel();
}

void Logger::Dispatch(LogRecord&& record)
{
    for (const auto& sink : mySinks) {
        if (record.level >= sink->GetMinLevel()) {
            sink->Write(record);
        }
    }
}

void Logger::UpdateMinLevel()
{
    myMinLevel = 1 << 30;
    for (const auto& sink : mySinks) {
        myMinLevel = std::min(myMinLevel, sink->GetMinLevel());
    }
}

LogAutoIndent::LogAutoIndent(const char* title) : myTitle(title)
{
    Logger::Instance().PushIndent();
}

LogAutoIndent::~LogAutoIndent()
{
    Logger::Instance().PopIndent();
}

} // namespace orvkit
