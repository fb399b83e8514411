#pragma once

#include "Geometry/IO/ShapeWriter.h"

namespace orvkit {

// glTF 2.0 files through SceneGltf, from a document of a meshed copy of the shape (see
// MeshedCopy): binary for ".glb", text for ".gltf" with its buffer inside as a data URI.
// Lengths go from the model unit into metres and Z up becomes Y up, as glTF wants: the reverse
// of what the glTF reader does.
class GltfShapeWriter : public ShapeWriter {
public:
    // "glTF Files".
    std::string GetFormatName() const override;
    // ".gltf", ".glb".
    std::vector<std::string> GetExtensions() const override;
    // As StlShapeWriter::Write; also false when the model unit is not one LengthUnit knows.
    bool Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
               std::string& reason) const override;
};

} // namespace orvkit
