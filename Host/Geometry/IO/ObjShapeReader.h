#pragma once

#include "Geometry/IO/ShapeReader.h"

namespace orvkit {

// Wavefront OBJ files: one triangulated face (a triangulation, no surface) per object or
// group, all of them in one shape. OBJ carries no unit: the coordinates are taken as the model
// unit.
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

} // namespace orvkit
