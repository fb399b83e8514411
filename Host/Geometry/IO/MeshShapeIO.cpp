// The library Orvex.Host.Mesh: the host's readers and writers of STL, OBJ and glTF files that
// need OpenCASCADE's mesh formats, reached through MeshTranslator (TranslatorLibraries.h).

#include "Geometry/IO/CafMeshRead.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/MeshFileCheck.h"
#include "Geometry/IO/ReadableMeshFile.h"
#include "Geometry/IO/ShapeReadLog.h"
#include "Geometry/IO/TranslatorLibraries.h"

#include <BRep_Builder.hxx>
#include <Message_ProgressRange.hxx>
#include <Poly_Triangulation.hxx>
#include <RWGltf_CafReader.hxx>
#include <RWObj_CafReader.hxx>
#include <RWObj_CafWriter.hxx>
#include <RWStl.hxx>
#include <StlAPI_Writer.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>
#include <TopoDS_Face.hxx>

namespace orvkit {

namespace {

const char* const kNoTriangles = "no triangles";
const char* const kStlFailed = "the STL writer failed";
const char* const kObjFailed = "OpenCASCADE's OBJ writer failed";

TopoDS_Shape ReadStl(const std::string& path, const ImportSettingsModel&)
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

TopoDS_Shape ReadObj(const std::string& path, const ImportSettingsModel&)
{
    // Without a file unit set, the reader leaves the coordinates as they are.
    const ReadableMeshFile readable(path, ReadableMeshFile::OBJ);
    RWObj_CafReader reader;
    return ReadCafMesh(reader, readable.GetPath(), "OBJ", readable.GetRefusal(), path);
}

TopoDS_Shape ReadGltf(const std::string& path, const ImportSettingsModel& settings)
{
    const std::string unit = settings.GetModelUnit();
    const double metres = LengthUnit::GetMetres(unit);
    if (metres <= 0.0) {
        LogUnknownUnit("glTF", path, unit);
        return {};
    }
    RWGltf_CafReader reader;
    reader.SetFileLengthUnit(1.0);
    reader.SetFileCoordinateSystem(RWMesh_CoordinateSystem_glTF);
    reader.SetSystemLengthUnit(metres);
    reader.SetSystemCoordinateSystem(RWMesh_CoordinateSystem_Zup);
    return ReadCafMesh(reader, path, "glTF", MeshFileCheck::Gltf(path), path);
}

bool WriteStl(const std::string& file, const TopoDS_Shape& shape, bool ascii, std::string& reason)
{
    StlAPI_Writer writer;
    writer.ASCIIMode() = ascii;
    if (!writer.Write(shape, file.c_str())) {
        reason = kStlFailed;
        return false;
    }
    return true;
}

bool WriteObj(const std::string& file, const Handle(TDocStd_Document)& document, double fromMetres,
              double toMetres, std::string& reason)
{
    RWObj_CafWriter writer(file.c_str());
    RWMesh_CoordinateSystemConverter& converter = writer.ChangeCoordinateSystemConverter();
    converter.SetInputLengthUnit(fromMetres);
    converter.SetInputCoordinateSystem(RWMesh_CoordinateSystem_Zup);
    converter.SetOutputLengthUnit(toMetres);
    converter.SetOutputCoordinateSystem(RWMesh_CoordinateSystem_Zup);
    if (!writer.Perform(document, TColStd_IndexedDataMapOfStringString(),
                        Message_ProgressRange())) {
        reason = kObjFailed;
        return false;
    }
    return true;
}

} // namespace

} // namespace orvkit

extern "C" const orvkit::MeshTranslator* OrvexHostMeshTranslator()
{
    static const orvkit::MeshTranslator table{&orvkit::ReadStl, &orvkit::ReadObj, &orvkit::ReadGltf,
                                              &orvkit::WriteStl, &orvkit::WriteObj};
    return &table;
}
