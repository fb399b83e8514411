#pragma once

#include "Geometry/IO/ShapeReader.h"

namespace orvkit {

// IGES files through OpenCASCADE's IGES translator, every root in one shape.
class IgesShapeReader : public ShapeReader {
public:
    // "IGES Files".
    std::string GetFormatName() const override;
    // ".iges", ".igs".
    std::vector<std::string> GetExtensions() const override;
    // As StepShapeReader::Read; a file that does not end with its terminate section counts as
    // cut short and gives null.
    TopoDS_Shape Read(const std::string& path, const ImportSettingsModel& settings) const override;
};

} // namespace orvkit
