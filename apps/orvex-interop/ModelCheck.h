#pragma once

#include <string>

namespace orvex::cli {

struct CheckOptions {
    std::string file;
    bool json = false;
};

// Reads a model file and shows the volume, surface area and centroid that the file declares for
// each of its parts, and for each assembly, placed component and shape aspect that declares
// them, beside those computed from the geometry in the frame of what carries them (an
// assembly's from its placed components, a component's placed in its parent assembly, a shape
// aspect's from its sub-shape of the part), with a verdict for each: "ok", "differs", "not
// declared", or "not compared" for a shape aspect whose geometry is not found in the part.
// Prints text, or one JSON document with `json`.
// Exit code: 0 when every declared value agrees with the geometry, 1 when one differs, 2 when
// the file cannot be read (one line on standard error).
int RunCheck(const CheckOptions& options);

} // namespace orvex::cli
