#pragma once

#include <TopoDS_Shape.hxx>

namespace orvkit {

// How finely the house meshes a shape for everything it draws or writes as triangles: the mesh
// formats of CafMeshWrite, which the shape writers and the model writer share, and the 3D page.
// Every mesher asks GetLinearDeflection for its chordal deflection and takes AngularDeflection,
// unless the user gave values of their own.
//
// There are two relative deflections on purpose. A file for other programs gets 0.1 % of each
// part's size, since the triangles are all it will ever have of the part. The 3D page gets
// 0.5 %: it is only looked at, on a screen, and holds every part of a large assembly, so a
// coarser mesh keeps it small and quick to open.
struct ExportMeshing {
    // Linear deflection (largest distance between a surface and its triangles) of written
    // files, as a fraction of the diagonal of the shape's bounding box: 0.1 %.
    static constexpr double RelativeDeflection = 0.001;
    // The same for the 3D page: 0.5 %.
    static constexpr double PageRelativeDeflection = 0.005;
    // The smallest linear deflection, in model units: 1e-6, so that a shape of no extent still
    // gets a valid one.
    static constexpr double MinDeflection = 1e-6;
    // Angular deflection (largest angle between the normals of neighbouring triangles on a
    // curved face): 0.5 radians, about 29 degrees.
    static constexpr double AngularDeflection = 0.5;

    // The linear deflection for a shape whose bounding box has the diagonal `diagonal`:
    // `chosen` when it is above 0 (a deflection the user gave), else `relative` of the
    // diagonal, never below MinDeflection.
    static double GetLinearDeflection(double diagonal, double relative = RelativeDeflection,
                                      double chosen = 0.0);
    // The same for `shape`, measured by its bounding box without a tolerance gap; MinDeflection
    // for a shape with no extent.
    static double GetLinearDeflection(const TopoDS_Shape& shape, double chosen = 0.0);
};

} // namespace orvkit
