#pragma once

#include "Geometry/IO/ShapeWriter.h"

namespace orvkit {

// The writers of the triangle-mesh formats, kept together as their readers are: all three
// write the triangles of one meshing of the shape, and OBJ and glTF write it from a document
// of that one shape (OBJ through OpenCASCADE's writer, glTF through SceneGltf).
//
// The meshing works on a copy of the shape, so the shape handed in keeps the triangulation it
// had (or had not). Faces that already carry a triangulation fine enough, such as the faces of
// a shape read from a mesh file, keep their triangles.

// How the mesh writers triangulate a shape.
struct ExportMeshing {
    // Linear deflection (largest distance between a surface and its triangles) as a fraction of
    // the diagonal of the shape's bounding box: 0.1 %.
    static constexpr double RelativeDeflection = 0.001;
    // The smallest linear deflection, in model units: 1e-6, so that a shape of no extent still
    // gets a valid one.
    static constexpr double MinDeflection = 1e-6;
    // Angular deflection (largest angle between the normals of neighbouring triangles on a
    // curved face): 0.5 radians, about 29 degrees.
    static constexpr double AngularDeflection = 0.5;

    // The linear deflection used for `shape`, in its own units.
    static double GetLinearDeflection(const TopoDS_Shape& shape);
};

// STL files, binary unless the settings ask for ASCII ("StlAscii" = true). STL holds no unit:
// the numbers are the model unit's.
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

// Wavefront OBJ files, through OpenCASCADE's OBJ writer. OBJ holds no unit: the numbers are
// the model unit's.
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

// glTF 2.0 files through SceneGltf: binary for ".glb", text for ".gltf" with its buffer
// inside as a data URI. Lengths go from the model unit into metres and Z up becomes Y up, as
// glTF wants: the reverse of what the glTF reader does.
class GltfShapeWriter : public ShapeWriter {
public:
    // "glTF Files".
    std::string GetFormatName() const override;
    // ".gltf", ".glb".
    std::vector<std::string> GetExtensions() const override;
    // As StlShapeWriter::Write; also false when the model unit is not one LengthUnit knows.
    bool Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
               std::string& reason) const override;
};

} // namespace orvkit
