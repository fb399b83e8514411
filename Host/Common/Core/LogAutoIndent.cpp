#include "LogAutoIndent.h"

#include "Common/Core/Logger.h"

namespace orvkit {

LogAutoIndent::LogAutoIndent(const char* title) : myTitle(title)
{
    Logger::Instance().PushIndent();
}

LogAutoIndent::~LogAutoIndent()
{
    Logger::Instance().PopIndent();
}

} // namespace orvkit
