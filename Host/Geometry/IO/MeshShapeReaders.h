#pragma once

#include "Geometry/IO/ShapeReader.h"

namespace orvkit {

// The readers of the triangle-mesh formats: their shapes are faces that carry a triangulation
// and no surface. OBJ and glTF share OpenCASCADE's mesh-reader base and one read sequence, and
// STL is a single call, so the three are kept together instead of in three thin files.

// STL files, ASCII or binary, as ONE face holding all the file's triangles (coincident nodes
// merged). STL carries no unit: the coordinates are taken as the model unit.
class StlShapeReader : public ShapeReader {
public:
    // "STL Files".
    std::string GetFormatName() const override;
    // ".stl".
    std::vector<std::string> GetExtensions() const override;
    // The face; null, with the reason logged, when the file yields no triangles.
    TopoDS_Shape Read(const std::string& path, const ImportSettingsModel& settings) const override;
};

// Wavefront OBJ files: one triangulated face per object or group, all of them in one shape.
// OBJ carries no unit: the coordinates are taken as the model unit.
class ObjShapeReader : public ShapeReader {
public:
    // "OBJ Files".
    std::string GetFormatName() const override;
    // ".obj".
    std::vector<std::string> GetExtensions() const override;
    // The file's meshes; null, with the reason logged, when the file cannot be parsed to the
    // end or holds no mesh.
    TopoDS_Shape Read(const std::string& path, const ImportSettingsModel& settings) const override;
};

// glTF 2.0 files, text (.gltf) or binary (.glb): one triangulated face per primitive, all of
// them in one shape. glTF lengths are metres and its up axis is Y; the shape comes in the
// model unit with Z up, as the shapes of the other readers are.
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
