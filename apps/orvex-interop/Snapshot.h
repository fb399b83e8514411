#pragma once

#include "ViewPage.h"

#include <string>
#include <vector>

namespace orvex::cli {

// The directions a page and a snapshot can look from.
const std::vector<std::string>& ViewNames();

// A PNG picture of a page's model, drawn by headless Chromium with its software OpenGL
// (SwiftShader): the page is written to a temporary folder and opened with the model alone
// ("#panel=0") in a window of the given size.
struct SnapshotRequest {
    int width = 1200;
    int height = 800;
    std::string view = "iso";
    double timeoutSeconds = 120;
};

// The Chromium to draw with: $ORVEX_CHROMIUM, else chromium, chromium-browser or google-chrome
// on the PATH; empty when there is none.
std::string FindChromium();

// Writes the picture to `path`, whole or not at all. False with the reason in `error`.
bool TakeSnapshot(const ViewPage& page, const SnapshotRequest& request, const std::string& path,
                  std::string& error);

} // namespace orvex::cli
