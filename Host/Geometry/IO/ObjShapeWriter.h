#pragma once

#include "Geometry/IO/ShapeWriter.h"

namespace orvkit {

// Wavefront OBJ files, through OpenCASCADE's OBJ writer, from a document of a meshed copy of
// the shape (see MeshedCopy). OBJ holds no unit: the numbers are the model unit's.
class ObjShapeWriter : public ShapeWriter {
public:
    // "OBJ Files".
    std::string GetFormatName() const override;
    // ".obj".
    std::vector<std::string> GetExtensions() const override;
    // As StlShapeWriter::Write.
    bool Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
               std::string& reason) const override;
};

} // namespace orvkit
