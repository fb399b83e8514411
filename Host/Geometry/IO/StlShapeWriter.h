#pragma once

#include "Geometry/IO/ShapeWriter.h"

namespace orvkit {

// STL files, binary unless the settings ask for ASCII ("StlAscii" = true), of the triangles of
// a copy of the shape meshed as ExportMeshing says (see MeshedCopy). STL holds no unit: the
// numbers are the model unit's.
class StlShapeWriter : public ShapeWriter {
public:
    // The settings key that asks for ASCII STL (bool, false by default).
    static constexpr const char* AsciiKey = "StlAscii";

    // "STL Files".
    std::string GetFormatName() const override;
    // ".stl".
    std::vector<std::string> GetExtensions() const override;
    // Every triangle of the meshed shape in one solid; false, with the reason, when the shape
    // gives no triangles or the file cannot be written.
    bool Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
               std::string& reason) const override;
};

} // namespace orvkit
