#include "StepLinePcurves.h"

#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Geom2d_Line.hxx>
#include <Geom2d_TrimmedCurve.hxx>
#include <Geom_RectangularTrimmedSurface.hxx>
#include <Precision.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>

namespace orvkit {

namespace {

// Whether the reader cuts a line on the face's surface at the surface's bounds both ways. The
// writer sends the basis of a trimmed surface, so its bounds are the ones the reader sees.
bool IsBoundedBothWays(const TopoDS_Face& face)
{
    Handle(Geom_Surface) surface = BRep_Tool::Surface(face);
    if (const auto trimmed = Handle(Geom_RectangularTrimmedSurface)::DownCast(surface);
        !trimmed.IsNull()) {
        surface = trimmed->BasisSurface();
    }
    if (surface.IsNull()) {
        return false;
    }
    double u1 = 0.0;
    double u2 = 0.0;
    double v1 = 0.0;
    double v2 = 0.0;
    surface->Bounds(u1, u2, v1, v2);
    return !Precision::IsInfinite(u1) && !Precision::IsInfinite(u2) && !Precision::IsInfinite(v1) &&
           !Precision::IsInfinite(v2);
}

// Cuts the edge's line on the face at its range, when it has one.
void BoundLine(const TopoDS_Edge& edge, const TopoDS_Face& face)
{
    if (BRep_Tool::Degenerated(edge) || BRep_Tool::IsClosed(edge, face)) {
        return;
    }
    double first = 0.0;
    double last = 0.0;
    const Handle(Geom2d_Curve) curve = BRep_Tool::CurveOnSurface(edge, face, first, last);
    if (curve.IsNull() || curve->DynamicType() != STANDARD_TYPE(Geom2d_Line) || first >= last) {
        return;
    }
    BRep_Builder builder;
    builder.UpdateEdge(edge, new Geom2d_TrimmedCurve(curve, first, last), face,
                       BRep_Tool::Tolerance(edge));
    builder.Range(edge, face, first, last);
}

} // namespace

void StepLinePcurves::Bound(const TopoDS_Shape& shape)
{
    // A face placed twice in the shape has its curves once.
    TopTools_MapOfShape seen;
    for (TopExp_Explorer faces(shape, TopAbs_FACE); faces.More(); faces.Next()) {
        const TopoDS_Face& face = TopoDS::Face(faces.Current());
        if (!seen.Add(face.Located(TopLoc_Location())) || !IsBoundedBothWays(face)) {
            continue;
        }
        for (TopExp_Explorer edges(face, TopAbs_EDGE); edges.More(); edges.Next()) {
            BoundLine(TopoDS::Edge(edges.Current()), face);
        }
    }
}

} // namespace orvkit
