#pragma once

#include "Geometry/IO/ShapeWriter.h"

namespace orvkit {

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
