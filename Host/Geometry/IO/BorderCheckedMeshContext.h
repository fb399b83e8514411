#pragma once

#include <BRepMesh_Context.hxx>
#include <TopoDS_Face.hxx>

#include <vector>

namespace orvkit {

// BRepMesh's own context, except that it stops before any face is meshed when faces still have
// borders that cross themselves after BRepMesh's repair. That repair refines every edge of such a
// face five times over, each time to a third of its deflection, and leaves the face without
// triangles when it fails; but the refined edges stay in the model, and a neighbour sharing one
// is meshed against a border of thousands of points. BRepMesh's Delaunay mends the triangles
// that cross such a border by splitting ever larger polygons and checks no progress meanwhile: a
// spring read from IGES went from 382 points on one edge to 6,148 and did not finish in hours.
class BorderCheckedMeshContext : public BRepMesh_Context {
public:
    // Repairs the model as BRepMesh does; false, which ends the meshing with nothing written to
    // the shape, when some faces' borders still cross themselves. GetCrossedFaces lists them.
    Standard_Boolean HealModel() override;

    // The faces whose borders the last HealModel left crossed; empty when it left none.
    const std::vector<TopoDS_Face>& GetCrossedFaces() const { return myCrossedFaces; }

private:
    std::vector<TopoDS_Face> myCrossedFaces;
};

} // namespace orvkit
