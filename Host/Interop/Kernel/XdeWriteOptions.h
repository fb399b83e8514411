#pragma once

#include "Geometry/IO/ExportMeshing.h"
#include "Geometry/IO/ShapeMesher.h"

#include <gp_Trsf.hxx>

#include <string>

namespace orvkit {

// How a kernel document is written.
struct XdeWriteOptions {
    // Applied once at the root before writing (an axis change); identity: none.
    gp_Trsf transform;
    // The length unit of the file written, a name LengthUnit knows ("mm", "in", "m"); empty:
    // millimetres. glTF is always in metres, as its format says.
    std::string unit;
    // Largest distance between a surface and its triangles for the mesh formats, in
    // millimetres; 0: as ExportMeshing says for files, 0.1 % of each part's bounding-box
    // diagonal.
    double deflection = 0.0;
    // Largest angle between neighbouring triangles' normals on a curved face, in radians.
    double angle = ExportMeshing::AngularDeflection;
    // The most triangles a face of the mesh formats is expected to get; a face expected to get
    // more is meshed coarser, with a warning naming its part.
    double maxFaceTriangles = ShapeMesher::MaxFaceTriangles;
};

} // namespace orvkit
