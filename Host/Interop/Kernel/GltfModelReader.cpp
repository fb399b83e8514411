#include "GltfModelReader.h"

#include "Geometry/IO/MeshFileCheck.h"
#include "Interop/Kernel/MeshDocumentRead.h"

#include <RWGltf_CafReader.hxx>

namespace orvkit {

ModelReadOutcome GltfModelReader::Read(const std::string& path, XdeDocumentImpl& impl,
                                       ParameterDict*) const
{
    RWGltf_CafReader reader;
    reader.SetFileLengthUnit(1.0);
    reader.SetFileCoordinateSystem(RWMesh_CoordinateSystem_glTF);
    reader.SetSystemLengthUnit(0.001);
    reader.SetSystemCoordinateSystem(RWMesh_CoordinateSystem_Zup);
    return ReadMeshDocument(reader, path, path, impl, "glTF", MeshFileCheck::Gltf(path));
}

} // namespace orvkit
