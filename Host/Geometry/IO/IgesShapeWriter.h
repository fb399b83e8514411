#pragma once

#include "Geometry/IO/ShapeWriter.h"

namespace orvkit {

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

} // namespace orvkit
