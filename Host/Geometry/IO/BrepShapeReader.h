#pragma once

#include "Geometry/IO/ShapeReader.h"

namespace orvkit {

// OpenCASCADE's own BREP files. They carry no unit and are taken as the model unit.
class BrepShapeReader : public ShapeReader {
public:
    // "BREP Files".
    std::string GetFormatName() const override;
    // ".brep", ".brp".
    std::vector<std::string> GetExtensions() const override;
    // The stored shape; null, with the reason logged, when the file is not a BREP file, is cut
    // short, or holds a null shape.
    TopoDS_Shape Read(const std::string& path, const ImportSettingsModel& settings) const override;
};

} // namespace orvkit
