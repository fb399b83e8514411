#include "MeshTolerance.h"

#include "Geometry/IO/ExportMeshing.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepGProp.hxx>
#include <BRepLProp_SLProps.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <GProp_GProps.hxx>
#include <Precision.hxx>
#include <ShapeAnalysis_ShapeTolerance.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace orvex::detail {

namespace {

const char* const kRuleText =
    "meshing is not a difference: each face meshed within {} or twice its tolerance, its part's "
    "area within that times each curved face's area and largest curvature and {:.3g} x that "
    "times its curved edges' length, its box within {:g} x that";
const char* const kRelativeText = "{:g} % of its part's diagonal";
const char* const kChosenText = "{:g} mm";

// The largest |k1| + |k2| over a grid on the face's parameters; 0 for a plane or a face of
// triangles alone.
double LargestCurvature(const TopoDS_Face& face)
{
    if (!BRep_Tool::IsGeometric(face)) {
        return 0.0;
    }
    BRepAdaptor_Surface surface(face);
    if (surface.GetType() == GeomAbs_Plane) {
        return 0.0;
    }
    double uMin = 0.0, uMax = 0.0, vMin = 0.0, vMax = 0.0;
    BRepTools::UVBounds(face, uMin, uMax, vMin, vMax);
    BRepLProp_SLProps props(surface, 2, ::Precision::Confusion());
    double largest = 0.0;
    const int n = MeshTolerance::kCurvatureSamples;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            props.SetParameters(uMin + (uMax - uMin) * i / (n - 1),
                                vMin + (vMax - vMin) * j / (n - 1));
            if (props.IsCurvatureDefined()) {
                largest = std::max(largest,
                                   std::abs(props.MaxCurvature()) + std::abs(props.MinCurvature()));
            }
        }
    }
    return largest;
}

} // namespace

double MeshTolerance::Deflection(double diagonal, double chosen)
{
    return orvkit::ExportMeshing::GetLinearDeflection(
        diagonal, orvkit::ExportMeshing::RelativeDeflection, chosen);
}

MeshTolerance::Bands MeshTolerance::Of(const TopoDS_Shape& part, double diagonal, double chosen)
{
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(part, TopAbs_FACE, faces);
    Bands bands;
    double widest = Deflection(diagonal, chosen);
    for (int i = 1; i <= faces.Extent(); ++i) {
        const TopoDS_Face& face = TopoDS::Face(faces(i));
        const double deflection =
            std::max(Deflection(diagonal, chosen),
                     2.0 * ShapeAnalysis_ShapeTolerance().Tolerance(face, 1, TopAbs_SHAPE));
        widest = std::max(widest, deflection);
        if (const double curvature = LargestCurvature(face); curvature > 0.0) {
            GProp_GProps props;
            BRepGProp::SurfaceProperties(face, props);
            bands.area += deflection * props.Mass() * curvature;
        }
    }
    // A chord cuts a sliver off each of the two faces a curved edge bounds, planar ones too.
    TopTools_IndexedMapOfShape edges;
    TopExp::MapShapes(part, TopAbs_EDGE, edges);
    for (int i = 1; i <= edges.Extent(); ++i) {
        const TopoDS_Edge& edge = TopoDS::Edge(edges(i));
        if (BRep_Tool::IsGeometric(edge) && !BRep_Tool::Degenerated(edge)) {
            const BRepAdaptor_Curve curve(edge);
            if (curve.GetType() != GeomAbs_Line) {
                bands.area +=
                    kSliversPerEdge * GCPnts_AbscissaPoint::Length(curve) *
                    std::max(Deflection(diagonal, chosen), 2.0 * BRep_Tool::Tolerance(edge));
            }
        }
    }
    bands.box = kBoxCorner * widest;
    return bands;
}

std::string MeshTolerance::Text(double chosen)
{
    const std::string deflection =
        chosen > 0.0
            ? fmt::format(kChosenText, chosen)
            : fmt::format(kRelativeText, orvkit::ExportMeshing::RelativeDeflection * 100.0);
    return fmt::format(kRuleText, deflection, kSliversPerEdge, kBoxCorner);
}

nlohmann::json MeshTolerance::ToJson(double chosen)
{
    // One of the two deflections, the other null.
    const auto orNull = [](bool given, double value) {
        return given ? nlohmann::json(value) : nlohmann::json();
    };
    return {
        {"relativeDeflection", orNull(chosen <= 0.0, orvkit::ExportMeshing::RelativeDeflection)},
        {"deflection", orNull(chosen > 0.0, chosen)},
        {"sliversPerEdge", kSliversPerEdge},
        {"boxCorner", kBoxCorner},
        {"text", Text(chosen)}};
}

} // namespace orvex::detail
