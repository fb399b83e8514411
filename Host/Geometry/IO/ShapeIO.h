#pragma once

#include "Common/Core/ParameterDict.h"
#include "Common/Core/Path.h"
#include "Geometry/Kernel/TopoShape.h"

#include <memory>

namespace orvkit {

// The application's generic shape reader.
struct ShapeIO {
    // Reads the file at `path` into one shape with the reader that ShapeExchangeManager has for
    // its extension (compared case-insensitively), using the settings in `settings` (may be
    // null; see ImportSettingsModel), then hands the shape and the same settings to the
    // installed post-process and returns what that gives; the shape as read when the
    // post-process throws or gives nothing (logged at level 3). Null when the file cannot be
    // read: missing, a folder, empty, an extension no reader takes, or content the reader
    // rejects; then one reason is logged at level 4, and OpenCASCADE's own messages about the
    // file follow it at level 2 at most. When the settings ask for it ("ShowDialog"), the
    // dialog "ImportSettingsDlg" shows them before the read and may change them; cancelling it
    // ends the read in the same way. Never throws.
    static std::shared_ptr<TopoShape> Open(const Path& path, ParameterDict* settings);
};

} // namespace orvkit
