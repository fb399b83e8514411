#pragma once

#include "Common/Core/ParameterDict.h"
#include "Common/Core/Path.h"
#include "Geometry/Kernel/TopoShape.h"

#include <memory>

namespace orvkit {

// The application's generic shape reader and writer.
struct ShapeIO {
    // Reads the file at `path` into one shape with the reader that ShapeExchangeManager has for
    // its extension (compared case-insensitively), using the settings in `settings` (may be
    // null; see ImportSettingsModel), then hands the shape and the same settings to the
    // installed post-process and returns what that gives; the shape as read when the
    // post-process throws or gives nothing (logged at level 3). Null when the file cannot be
    // read: missing, a folder, empty, an extension no reader takes, or content the reader
    // rejects; then one reason is logged at level 4, and OpenCASCADE's own messages about the
    // file follow it at level 2 at most. Shows no dialog: a command that lets the user review
    // the settings does so before it calls this. Never throws.
    static std::shared_ptr<TopoShape> Open(const Path& path, ParameterDict* settings);

    // Writes `shape` to `path` in the format its extension names, compared case-insensitively:
    //   STEP (.step .stp; AP214, millimetres), IGES (.iges .igs; millimetres, B-rep entities),
    //   BREP (.brep .brp), STL (.stl; binary, ASCII when "StlAscii" is true), OBJ (.obj),
    //   glTF (.gltf .glb; metres, Y up); the writers come from ShapeExchangeManager.
    // Lengths are taken in the settings' model unit (ImportSettingsModel); `settings` may be null.
    // Mesh formats write a copy meshed as ExportMeshing says; the shape itself is not changed.
    // STL, OBJ, glTF and BREP are written as the kernel's model writer writes a model whose one
    // part is the shape, STEP and IGES with the translators' settings it uses (CafShapeWriter).
    // The file is replaced whole or not at all: written under a temporary name, renamed when done.
    // False when the shape is null or empty (nothing but compounds).
    // False when no writer takes the extension, or the name has none.
    // False when the folder does not exist, is not a folder, or cannot be written.
    // False when a folder of the file's name is in the way.
    // False when the writer fails (the format cannot hold the shape) or throws.
    // After a false, one line at level 3 names the file and the reason; OpenCASCADE's own
    //   messages about the write follow it at level 2 at most.
    // After a false, an existing file is as it was, and nothing written or temporary remains.
    // Never throws.
    static bool Save(const std::shared_ptr<TopoShape>& shape, const Path& path,
                     ParameterDict* settings);
};

} // namespace orvkit
