#pragma once

#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>

namespace orvkit {

// Meshes shapes for everything the house draws or writes as triangles, within a budget of
// triangles a face. BRepMesh's time grows with the triangles it makes, and a face that is large
// against the deflection (a long spring swept along a helix, meshed to a hundredth of a
// millimetre) keeps it busy for minutes. Such a face is meshed coarser instead: its deflections
// are doubled until the estimate of its triangles fits. A face whose borders cross themselves at
// the deflection asked is meshed alone too, coarser until they no longer do: meshed with its
// neighbours, it would leave them edges refined a hundredfold (see BorderCheckedMeshContext).
// Both depend on the geometry alone, never on a clock, so one model always gives one mesh.
class ShapeMesher {
public:
    // The most triangles a face is expected to get at the deflections asked; a face expected to
    // get more is meshed coarser. BRepMesh's time a triangle grows with their number: a face of
    // 50,000 took it 2 s here, one of 330,000 9 s, and one of 440,000 20 s.
    static constexpr double MaxFaceTriangles = 1.0e5;

    // What one call did.
    struct Result {
        // Faces meshed coarser than asked to stay within the budget.
        int coarsened = 0;
        // The largest linear deflection one of them was given; 0 when none was.
        double deflection = 0.0;
        // Faces meshed coarser than asked since their borders cross themselves at the
        // deflection asked.
        int crossed = 0;
        // The largest linear deflection one of those was given; 0 when none was.
        double crossedDeflection = 0.0;
    };

    // Meshes the faces of `shape` at the linear `deflection` (model units) and `angle`
    // (radians), as BRepMesh_IncrementalMesh does, except that a face expected to get more than
    // `budget` triangles, or whose borders cross themselves, is meshed alone, coarser. A face
    // whose borders cross at every deflection tried gets no triangles, as BRepMesh leaves it.
    // Faces that hold only triangles keep them.
    static Result Mesh(const TopoDS_Shape& shape, double deflection, double angle,
                       double budget = MaxFaceTriangles);

    // The triangles BRepMesh is expected to make of `face` at these deflections, from its area
    // and curvature sampled over its parameter range; 0 for a face without a surface or bounds.
    static double EstimateTriangles(const TopoDS_Face& face, double deflection, double angle);
};

} // namespace orvkit
