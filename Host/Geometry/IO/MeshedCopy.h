#pragma once

#include <TopoDS_Shape.hxx>

#include <string>

namespace orvkit {

// A copy of `shape` meshed as ExportMeshing says, for the mesh shape writers; null, with the
// reason, when it holds no triangle. The copy has faces of its own sharing the geometry, so
// the shape handed in keeps the triangulation it had (or had not). Faces that already carry a
// triangulation fine enough, such as the faces of a shape read from a mesh file, keep their
// triangles.
TopoDS_Shape MeshedCopy(const TopoDS_Shape& shape, std::string& reason);

} // namespace orvkit
