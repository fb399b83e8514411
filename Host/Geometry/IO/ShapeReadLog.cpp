#include "ShapeReadLog.h"

#include "Common/Core/Logger.h"
#include "Geometry/IO/LengthUnit.h"

namespace orvkit {

namespace {

const char* const kCannotRead = "Cannot read %s file: %s (%s)";

} // namespace

void LogCannotRead(const char* format, const std::string& path, const std::string& reason)
{
    Logger::Instance().Message(4, kCannotRead, format, path.c_str(), reason.c_str());
}

void LogUnknownUnit(const char* format, const std::string& path, const std::string& unit)
{
    LogCannotRead(format, path, LengthUnit::UnknownText(unit));
}

void LogRefusal(const char* format, const std::string& path, const LoadFailure& refusal)
{
    LoadFailure::Record(refusal);
    const std::string line =
        refusal.line > 0 ? " at line " + std::to_string(refusal.line) : std::string();
    LogCannotRead(format, path, refusal.detail + line);
}

} // namespace orvkit
