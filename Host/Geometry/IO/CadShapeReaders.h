#pragma once

#include "Geometry/IO/ShapeReader.h"

namespace orvkit {

// The readers of the exact-geometry formats. STEP and IGES differ only in the translator they
// hand to one shared read sequence, and BREP is a single call, so the three are kept together
// instead of in three files of a few lines each.

class StaticSettingsScope;

// Sets OpenCASCADE's STEP read parameters for products and representations to its own
// defaults (every product, every representation), whatever an earlier caller left behind; the
// scope puts them back. Every STEP read of the host and the kernel starts from these.
void SetStepReadDefaults(StaticSettingsScope& scope);

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
