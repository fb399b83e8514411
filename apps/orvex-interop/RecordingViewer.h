#pragma once

#include "Data/View/Viewer.h"

#include <vector>

namespace orvex::cli {

// The program has no window: its viewer keeps what commands asked of it and logs it at
// level 2, so that --verbose shows it.
class RecordingViewer : public orvkit::Viewer {
public:
    void ZoomToExtend(float factor) override;
    const std::vector<float>& GetZoomFactors() const { return myZoomFactors; }

private:
    std::vector<float> myZoomFactors;
};

} // namespace orvex::cli
