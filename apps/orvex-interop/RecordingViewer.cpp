#include "RecordingViewer.h"

#include "Common/Core/Logger.h"

#include <fmt/format.h>

namespace orvex::cli {

void RecordingViewer::ZoomToExtend(float factor)
{
    myZoomFactors.push_back(factor);
    orvkit::Logger::Instance().Message(2, fmt::format("viewer: zoom to extent, factor {}", factor));
}

} // namespace orvex::cli
