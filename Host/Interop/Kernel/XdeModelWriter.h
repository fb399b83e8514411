#pragma once

#include "Geometry/IO/ModelFormat.h"
#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeWriteOptions.h"
#include "Interop/Kernel/XdeWriteResult.h"

#include <string>

namespace orvkit {

// Writes a whole kernel document in the format of the path's extension (ModelFormat), keeping
// what the format can hold:
//   STEP: the assembly tree with one product per part, product and instance names, part,
//   instance and face colours, layers, dimensions (AP242 when there are any, AP214 otherwise)
//   and each part's validation properties (volume, area, centroid) computed from its geometry;
//   IGES: the tree, names, colours and layers;
//   glTF and GLB: a node per instance, a mesh per part with a primitive per colour, a material
//   per colour, names; metres and Y up;
//   OBJ: the parts placed, with their names and material colours;
//   STL and BREP: the whole model as one placed shape.
// The mesh formats and BREP are meshed and written by CafMeshWrite, as the shape writers write
// a shape; STEP and IGES take their translators' settings from TranslatorWrite, as they do.
struct XdeModelWriter {
    // Writes `impl` to `path` in `format`, whatever the path's extension says; the path is
    // replaced whole or not at all. The document is changed on the way (transformed, meshed,
    // given validation properties, dimensions that measure nothing dropped): write a document
    // the caller does not need any more. A caller that has looked the format up already passes
    // it here, so that nothing below looks it up again.
    static XdeWriteResult Save(const std::string& path, const ModelFormat& format,
                               XdeDocumentImpl& impl, const XdeWriteOptions& options);
    // The same in the format of the path's extension; a failure when no format is written with
    // it.
    static XdeWriteResult Save(const std::string& path, XdeDocumentImpl& impl,
                               const XdeWriteOptions& options);
};

} // namespace orvkit
