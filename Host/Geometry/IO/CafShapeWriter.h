#pragma once

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ShapeWriter.h"

namespace orvkit {

// The STL, OBJ, glTF and BREP formats of the generic shape writer, as adapters over
// CafMeshWrite, the write the kernel's model writer uses for these formats. The shape becomes
// the one part of a fresh XCAF document and is written as a model of that one part would be,
// so ShapeIO::Save and the model writer give the same triangles. For the mesh formats the part
// is a copy sharing the shape's geometry, so that the caller's faces keep the triangulation
// they had (or had not).
//
// The writers live in the host because the host may not call the kernel: the shared meshing
// and writing came down here rather than the kernel registering writers at load time, which
// would leave a process that links only the host without them.
//
// Lengths are the settings' model unit: STL, OBJ and BREP files hold the numbers as they are,
// glTF gets metres and Y up (the reverse of what the glTF reader does). STL is binary unless
// the settings ask for ASCII.
class CafShapeWriter : public ShapeWriter {
public:
    // The settings key that asks for ASCII STL (bool, false by default).
    static constexpr const char* StlAsciiKey = "StlAscii";

    // A writer of `formats` (one or more of STL, OBJ, GLTF, GLB and BREP) that file dialogs list
    // as `name` ("STL Files").
    CafShapeWriter(std::string name, std::vector<ModelFormat::EnumId> formats);

    std::string GetFormatName() const override;
    // The extensions of the formats, in the table's order.
    std::vector<std::string> GetExtensions() const override;
    // False, with the reason, when the model unit is not one LengthUnit knows, the shape gives
    // the format nothing it holds (no face for STL and OBJ; no face or edge for glTF), or the
    // file cannot be written.
    bool Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
               std::string& reason) const override;

private:
    // The format of the path's extension among this writer's; null when it is none of them.
    const ModelFormat* FormatOf(const std::string& path) const;

    std::string myName;
    std::vector<ModelFormat::EnumId> myFormats;
};

} // namespace orvkit
