#pragma once

#include "Geometry/IO/ShapeReader.h"

namespace orvkit {

// STL files, ASCII or binary, as ONE face holding all the file's triangles (coincident nodes
// merged): a face that carries a triangulation and no surface. STL carries no unit: the
// coordinates are taken as the model unit.
class StlShapeReader : public ShapeReader {
public:
    // "STL Files".
    std::string GetFormatName() const override;
    // ".stl".
    std::vector<std::string> GetExtensions() const override;
    // The face; null, with the reason logged, when the file yields no triangles.
    TopoDS_Shape Read(const std::string& path, const ImportSettingsModel& settings) const override;
};

} // namespace orvkit
