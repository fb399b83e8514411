#pragma once

#include "Geometry/IO/ShapeReader.h"

namespace orvkit {

// glTF 2.0 files, text (.gltf) or binary (.glb): one triangulated face (a triangulation, no
// surface) per primitive, all of them in one shape. glTF lengths are metres and its up axis is
// Y; the shape comes in the model unit with Z up, as the shapes of the other readers are.
class GltfShapeReader : public ShapeReader {
public:
    // "glTF Files".
    std::string GetFormatName() const override;
    // ".gltf", ".glb".
    std::vector<std::string> GetExtensions() const override;
    // The file's meshes; null, with the reason logged, when the file cannot be parsed to the
    // end, holds no mesh, or the model unit is not one LengthUnit knows.
    TopoDS_Shape Read(const std::string& path, const ImportSettingsModel& settings) const override;
};

} // namespace orvkit
