#pragma once

#include "Geometry/IO/ShapeReader.h"

namespace orvkit {

// STEP files through OpenCASCADE's plain STEP translator (no colours, names or assembly
// structure): every root transferred, all of them in one shape.
class StepShapeReader : public ShapeReader {
public:
    // "STEP Files".
    std::string GetFormatName() const override;
    // ".step", ".stp".
    std::vector<std::string> GetExtensions() const override;
    // The file's roots in the settings' model unit; null, with the reason logged, when the file
    // does not parse, holds no shape, or the unit is not one LengthUnit knows.
    TopoDS_Shape Read(const std::string& path, const ImportSettingsModel& settings) const override;
};

} // namespace orvkit
