#include "ObjShapeReader.h"

#include "Geometry/IO/CafMeshRead.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ReadableMeshFile.h"

#include <RWObj_CafReader.hxx>

namespace orvkit {

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
    return ReadCafMesh(reader, readable.GetPath(), "OBJ", readable.GetRefusal(), path);
}

} // namespace orvkit
