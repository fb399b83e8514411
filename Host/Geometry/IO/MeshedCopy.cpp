#include "MeshedCopy.h"

#include "Geometry/IO/ExportMeshing.h"
#include "Geometry/IO/ShapeMesher.h"

#include <BRepBuilderAPI_Copy.hxx>
#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

namespace orvkit {

namespace {

const char* const kNoFaces = "the shape has no faces to mesh";
const char* const kNoTriangles = "meshing the shape gave no triangles";

} // namespace

TopoDS_Shape MeshedCopy(const TopoDS_Shape& shape, std::string& reason)
{
    if (!TopExp_Explorer(shape, TopAbs_FACE).More()) {
        reason = kNoFaces;
        return {};
    }
    // New faces sharing the geometry: the triangulation goes onto them, not onto the caller's.
    // Triangulations the faces already carry are copied, since faces read from mesh files have
    // nothing else.
    BRepBuilderAPI_Copy copy(shape, Standard_False, Standard_True);
    const TopoDS_Shape meshed = copy.Shape();
    ShapeMesher::Mesh(meshed, ExportMeshing::GetLinearDeflection(shape),
                      ExportMeshing::AngularDeflection);
    for (TopExp_Explorer it(meshed, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation)& mesh =
            BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
        if (!mesh.IsNull() && mesh->NbTriangles() > 0) {
            return meshed;
        }
    }
    reason = kNoTriangles;
    return {};
}

} // namespace orvkit
