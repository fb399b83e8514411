#pragma once

#include "Interop/Kernel/ModelFileReader.h"

namespace orvkit {

// Reads glTF and GLB files through OpenCASCADE's glTF reader, once MeshFileCheck::Gltf has let
// them through: nodes become assemblies and instances, meshes parts with their names and
// material colours, metres and Y up become the document's millimetres and Z up.
class GltfModelReader : public ModelFileReader {
public:
    ModelReadOutcome Read(const std::string& path, XdeDocumentImpl& impl,
                          ParameterDict* settings) const override;
};

} // namespace orvkit
