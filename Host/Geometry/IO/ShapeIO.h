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
    // installed post-process and returns what that gives. Null when the file cannot be read:
    // missing, a folder, empty, an extension no reader takes, or content the reader rejects;
    // then one reason is logged at level 4. Never throws.
    static std::shared_ptr<TopoShape> Open(const Path& path, ParameterDict* settings);
};

} // namespace orvkit
