#include "StlShapeReader.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ReadableMeshFile.h"
#include "Geometry/IO/ShapeReadLog.h"

#include <BRep_Builder.hxx>
#include <Poly_Triangulation.hxx>
#include <RWStl.hxx>
#include <TopoDS_Face.hxx>

namespace orvkit {

namespace {

const char* const kNoTriangles = "no triangles";

} // namespace

std::string StlShapeReader::GetFormatName() const
{
    return "STL Files";
}

std::vector<std::string> StlShapeReader::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::STL).extensions;
}

TopoDS_Shape StlShapeReader::Read(const std::string& path, const ImportSettingsModel&) const
{
    const ReadableMeshFile readable(path, ReadableMeshFile::STL);
    if (readable.GetRefusal()) {
        LogRefusal("STL", path, readable.GetRefusal());
        return {};
    }
    const Handle(Poly_Triangulation) mesh = RWStl::ReadFile(readable.GetPath().c_str());
    if (mesh.IsNull() || mesh->NbTriangles() == 0) {
        LogCannotRead("STL", path, kNoTriangles);
        return {};
    }
    // One face for the whole mesh: a face per triangle would turn a plain mesh into a topology
    // of as many faces, edges and vertices as it has triangles.
    TopoDS_Face face;
    BRep_Builder().MakeFace(face, mesh);
    return face;
}

} // namespace orvkit
