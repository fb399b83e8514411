#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <gp_Trsf.hxx>

#include <string>
#include <vector>

namespace orvkit {

// How a kernel document is written.
struct XdeWriteOptions {
    // Applied once at the root before writing (an axis change); identity: none.
    gp_Trsf transform;
    // The length unit of the file written, a name LengthUnit knows ("mm", "in", "m"); empty:
    // millimetres. glTF is always in metres, as its format says.
    std::string unit;
    // Largest distance between a surface and its triangles for the mesh formats, in
    // millimetres; 0: 0.1 % of each part's bounding-box diagonal.
    double deflection = 0.0;
    // Largest angle between neighbouring triangles' normals on a curved face, in radians.
    double angle = 0.5;
};

// How a write went.
struct XdeWriteResult {
    // Why nothing was written (no format has the extension, the folder cannot be written, the
    // model has nothing the format can hold, the writer failed); empty when the file was.
    std::string failure;
    // What the file written does not keep of the model, one sentence each ("the assembly tree
    // is flattened"); a user should see them.
    std::vector<std::string> warnings;

    explicit operator bool() const { return failure.empty(); }
};

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
struct XdeModelWriter {
    // Writes `impl` to `path`, which is replaced whole or not at all. The document is changed
    // on the way (transformed, meshed, given validation properties, dimensions that measure
    // nothing dropped): write a document the caller does not need any more.
    static XdeWriteResult Save(const std::string& path, XdeDocumentImpl& impl,
                               const XdeWriteOptions& options);
};

} // namespace orvkit
