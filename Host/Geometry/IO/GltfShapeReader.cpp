#include "GltfShapeReader.h"

#include "Geometry/IO/CafMeshRead.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/MeshFileCheck.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ShapeReadLog.h"

#include <RWGltf_CafReader.hxx>

namespace orvkit {

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

} // namespace orvkit
