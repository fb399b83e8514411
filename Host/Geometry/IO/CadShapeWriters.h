#pragma once

#include "Geometry/IO/ShapeWriter.h"

namespace orvkit {

// The writers of the exact-geometry formats, kept together as their readers are: STEP and
// IGES share how the model unit reaches the translator, and BREP is a single call.

// STEP files through OpenCASCADE's plain STEP translator: the shape as it is (AsIs), schema
// AP214, lengths in millimetres whatever the model unit (the shape is scaled from it).
class StepShapeWriter : public ShapeWriter {
public:
    // "STEP Files".
    std::string GetFormatName() const override;
    // ".step", ".stp".
    std::vector<std::string> GetExtensions() const override;
    // False, with the reason, when the model unit is not one LengthUnit knows, the translator
    // cannot transfer the shape, or the file cannot be written.
    bool Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
               std::string& reason) const override;
};

// IGES files through OpenCASCADE's IGES translator: solids and faces as B-rep entities (not
// trimmed surfaces), lengths in millimetres whatever the model unit.
class IgesShapeWriter : public ShapeWriter {
public:
    // "IGES Files".
    std::string GetFormatName() const override;
    // ".iges", ".igs".
    std::vector<std::string> GetExtensions() const override;
    // As StepShapeWriter::Write.
    bool Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
               std::string& reason) const override;
};

// OpenCASCADE's own BREP files (text, with the triangulations the shape carries). They hold
// no unit: the numbers are the model unit's.
class BrepShapeWriter : public ShapeWriter {
public:
    // "BREP Files".
    std::string GetFormatName() const override;
    // ".brep", ".brp".
    std::vector<std::string> GetExtensions() const override;
    // False, with the reason, when the file cannot be written.
    bool Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
               std::string& reason) const override;
};

} // namespace orvkit
