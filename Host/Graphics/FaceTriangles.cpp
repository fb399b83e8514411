#include "Graphics/FaceTriangles.h"

#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TopLoc_Location.hxx>

#include <utility>

namespace orvkit {

size_t AppendFaceTriangles(const TopoDS_Face& face, const gp_Trsf& frame,
                           std::vector<float>& positions, std::vector<float>& normals,
                           std::vector<uint32_t>& indices)
{
    TopLoc_Location location;
    const Handle(Poly_Triangulation) triangulation = BRep_Tool::Triangulation(face, location);
    if (triangulation.IsNull() || triangulation->NbTriangles() == 0) {
        return 0;
    }
    const gp_Trsf& placement = location.Transformation();
    const bool reversed = face.Orientation() == TopAbs_REVERSED;
    const uint32_t first = static_cast<uint32_t>(positions.size() / 3);
    const int nodes = triangulation->NbNodes();
    std::vector<gp_Pnt> points(static_cast<size_t>(nodes));
    for (int i = 1; i <= nodes; ++i) {
        points[static_cast<size_t>(i - 1)] =
            triangulation->Node(i).Transformed(placement).Transformed(frame);
    }
    std::vector<gp_XYZ> sums(points.size(), gp_XYZ(0, 0, 0));
    for (int t = 1; t <= triangulation->NbTriangles(); ++t) {
        int a = 0, b = 0, c = 0;
        triangulation->Triangle(t).Get(a, b, c);
        if (reversed) {
            std::swap(b, c);
        }
        const gp_XYZ& pa = points[static_cast<size_t>(a - 1)].XYZ();
        const gp_XYZ normal = (points[static_cast<size_t>(b - 1)].XYZ() - pa)
                                  .Crossed(points[static_cast<size_t>(c - 1)].XYZ() - pa);
        for (const int node : {a, b, c}) {
            sums[static_cast<size_t>(node - 1)] += normal;
            indices.push_back(first + static_cast<uint32_t>(node - 1));
        }
    }
    for (size_t i = 0; i < points.size(); ++i) {
        const double length = sums[i].Modulus();
        const gp_XYZ unit = length > 0 ? sums[i] / length : gp_XYZ(0, 0, 1);
        for (int k = 1; k <= 3; ++k) {
            positions.push_back(static_cast<float>(points[i].Coord(k)));
            normals.push_back(static_cast<float>(unit.Coord(k)));
        }
    }
    return static_cast<size_t>(triangulation->NbTriangles());
}

} // namespace orvkit
