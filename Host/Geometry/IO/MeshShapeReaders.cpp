#include "MeshShapeReaders.h"

#include "Common/Core/Logger.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/MeshFileCheck.h"
#include "Geometry/IO/ModelFormat.h"

#include <BRep_Builder.hxx>
#include <Message_ProgressRange.hxx>
#include <Poly_Triangulation.hxx>
#include <RWGltf_CafReader.hxx>
#include <RWMesh_CafReader.hxx>
#include <RWObj_CafReader.hxx>
#include <RWStl.hxx>
#include <TCollection_AsciiString.hxx>
#include <TopoDS_Face.hxx>

namespace orvkit {

namespace {

const char* const kCannotRead = "Cannot read %s file: %s (%s)";
const char* const kUnknownUnit = "Cannot read %s file: %s (unknown model unit '%s')";
const char* const kNoTriangles = "no triangles";
const char* const kNotParsed = "the file does not parse to its end as this format";
const char* const kNoMesh = "no mesh in the file";

void LogCannotRead(const char* format, const std::string& path, const char* reason)
{
    Logger::Instance().Message(4, kCannotRead, format, path.c_str(), reason);
}

// A refusal of the file checks, kept for the caller and logged in the readers' words.
void Refuse(const char* format, const std::string& path, const LoadFailure& refusal)
{
    LoadFailure::Record(refusal);
    const std::string line =
        refusal.line > 0 ? " at line " + std::to_string(refusal.line) : std::string();
    LogCannotRead(format, path, (refusal.detail + line).c_str());
}

// The read sequence OBJ and glTF share, after the file's check: `readable` is what the reader
// is given, `path` what messages name. No document is attached: the reader keeps the shapes it
// made, and SingleShape gathers them.
TopoDS_Shape ReadMesh(RWMesh_CafReader& reader, const std::string& readable, const char* format,
                      const LoadFailure& refusal, const std::string& path)
{
    if (refusal) {
        Refuse(format, path, refusal);
        return {};
    }
    // A file cut short or broken half-way is a failed read, not a partial model.
    reader.SetFillIncompleteDocument(Standard_False);
    if (!reader.Perform(TCollection_AsciiString(readable.c_str()), Message_ProgressRange())) {
        LogCannotRead(format, path, kNotParsed);
        return {};
    }
    TopoDS_Shape shape = reader.SingleShape();
    if (shape.IsNull()) {
        LogCannotRead(format, path, kNoMesh);
    }
    return shape;
}

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
        Refuse("STL", path, readable.GetRefusal());
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

std::string ObjShapeReader::GetFormatName() const
{
    return "OBJ Files";
}

std::vector<std::string> ObjShapeReader::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::OBJ).extensions;
}

TopoDS_Shape ObjShapeReader::Read(const std::string& path, const ImportSettingsModel&) const
{
    // Without a file unit set, the reader leaves the coordinates as they are.
    const ReadableMeshFile readable(path, ReadableMeshFile::OBJ);
    RWObj_CafReader reader;
    return ReadMesh(reader, readable.GetPath(), "OBJ", readable.GetRefusal(), path);
}

std::string GltfShapeReader::GetFormatName() const
{
    return "glTF Files";
}

std::vector<std::string> GltfShapeReader::GetExtensions() const
{
    return ModelFormat::ExtensionsOf({ModelFormat::GLTF, ModelFormat::GLB});
}

TopoDS_Shape GltfShapeReader::Read(const std::string& path,
                                   const ImportSettingsModel& settings) const
{
    const std::string unit = settings.GetModelUnit();
    const double metres = LengthUnit::GetMetres(unit);
    if (metres <= 0.0) {
        Logger::Instance().Message(4, kUnknownUnit, "glTF", path.c_str(), unit.c_str());
        return {};
    }
    RWGltf_CafReader reader;
    reader.SetFileLengthUnit(1.0);
    reader.SetFileCoordinateSystem(RWMesh_CoordinateSystem_glTF);
    reader.SetSystemLengthUnit(metres);
    reader.SetSystemCoordinateSystem(RWMesh_CoordinateSystem_Zup);
    return ReadMesh(reader, path, "glTF", MeshFileCheck::Gltf(path), path);
}

} // namespace orvkit
