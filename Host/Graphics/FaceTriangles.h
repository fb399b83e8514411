#pragma once

#include <TopoDS_Face.hxx>
#include <gp_Trsf.hxx>

#include <cstdint>
#include <vector>

namespace orvkit {

// Appends the triangulation a face carries, placed by `frame`: its nodes to `positions` (x, y,
// z each), a normal a node to `normals`, averaged over the node's triangles so that a face is
// smooth and the edges between faces stay sharp, and three indices a triangle, numbered on
// from the positions already there, to `indices`, wound as the face is oriented. Returns the
// number of triangles appended; 0 for a face without triangles.
size_t AppendFaceTriangles(const TopoDS_Face& face, const gp_Trsf& frame,
                           std::vector<float>& positions, std::vector<float>& normals,
                           std::vector<uint32_t>& indices);

} // namespace orvkit
