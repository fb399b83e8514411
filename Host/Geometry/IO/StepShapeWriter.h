#pragma once

#include "Geometry/IO/ShapeWriter.h"

namespace orvkit {

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

} // namespace orvkit
