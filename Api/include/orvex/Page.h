#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace orvex {

// The directions a page and a snapshot can look from: "iso", "front", "top", ...
const std::vector<std::string>& ViewNames();

struct SnapshotOptions {
    int width = 1200;
    int height = 800;
    std::string view = "iso";
    double timeoutSeconds = 120;
};

struct PageReport {
    std::string input;
    std::string output; // the page or picture written
    // Why nothing was written: the input cannot be read ("'FILE': REASON"), three.js or
    // Chromium is missing, the output cannot be written; empty when it was.
    std::string failure;
    // What reading the input warned of, one sentence each.
    std::vector<std::string> warnings;

    bool Ok() const { return failure.empty(); }
    nlohmann::ordered_json ToJson() const;
};

// Writes the offline 3D page of any file the program reads (STEP and IGES with their element
// tree and dimensions, VRML scenes, any other model file): one HTML file with three.js inlined
// and the model embedded, which opens in a current browser without fetching anything.
PageReport WritePage(const std::string& input, const std::string& page);

// Writes a PNG picture of the same scene the page shows, drawn by headless Chromium
// ($ORVEX_CHROMIUM, else chromium, chromium-browser or google-chrome on the PATH).
PageReport WriteSnapshot(const std::string& input, const std::string& picture,
                         const SnapshotOptions& options = {});

} // namespace orvex
