#include "LoadLog.h"

namespace orvex::cli {

LoadLog::LoadLog() : mySink(std::make_shared<orvkit::CaptureLogSink>())
{
    orvkit::Logger::Instance().AddSink(mySink);
}

LoadLog::~LoadLog()
{
    orvkit::Logger::Instance().RemoveSink(mySink);
}

} // namespace orvex::cli
