#pragma once

#include "orvex/Read.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace orvex {

// The directions a page and a snapshot can look from: "iso", "front", "back", "left", "right",
// "top", "bottom".
const std::vector<std::string>& ViewNames();

struct PageReport {
    std::string input;
    std::string output; // the page or picture
    ReadFailure read;   // why the input could not be read; kind empty when it was
    // The error line: read.Text(), or "cannot write 'OUTPUT': REASON"; empty when written.
    std::string failure;

    bool Ok() const { return failure.empty(); }
    nlohmann::ordered_json ToJson() const;
};

// Writes the offline 3D page of any file the program reads: one HTML file holding the model
// (as embedded glTF), its element tree, its dimensions and its other PMI (feature control
// frames drawn as their cells, datums, datum targets), with three.js inlined from the
// system's libjs-three, so that it opens in any current browser without fetching anything.
// STEP and IGES come in with their assemblies, VRML as its scene, other formats through the
// plugin's "Import" command. The page is written whole or not at all.
PageReport WritePage(const std::string& input, const std::string& page);

struct SnapshotOptions {
    int width = 1200; // pixels, 16 to 8192
    int height = 800;
    std::string view = "iso"; // one of ViewNames()
    double timeoutSeconds = 120;
};

// Writes a PNG picture of the page's model alone, drawn by headless Chromium with its software
// OpenGL: $ORVEX_CHROMIUM, else chromium, chromium-browser or google-chrome on the PATH.
PageReport WriteSnapshot(const std::string& input, const std::string& picture,
                         const SnapshotOptions& options = {});

} // namespace orvex
