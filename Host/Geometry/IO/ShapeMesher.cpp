#include "ShapeMesher.h"

#include "Geometry/IO/BorderCheckedMeshContext.h"

#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GeomLProp_SLProps.hxx>
#include <Geom_BSplineSurface.hxx>
#include <Geom_RectangularTrimmedSurface.hxx>
#include <Geom_Surface.hxx>
#include <Precision.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace orvkit {

namespace {

// Samples of the curvature along each parameter direction: at least this many, and two a knot
// span of a B-spline up to the most, so that a surface bent between its knots is seen.
constexpr int kMinSamples = 8;
constexpr int kMaxSamples = 64;
// Coarsening stops at a millionfold deflection, and the angle at about 57 degrees: past that a
// face would be drawn as a few flat pieces, which tells the user no more than a warning does.
constexpr int kMaxDoublings = 20;
constexpr double kMaxAngle = 1.0;

// BRepMesh makes more triangles than the sag of their sides alone asks for, since it also holds
// the deflection at their middles and, on B-splines, refines every knot span: measured here,
// about three times as many on cylinders, spheres and tori (within 10 %), and from 5 to 35
// times on B-spline surfaces (swept springs, fitted waves). A B-spline face is counted at ten
// times: an estimate a few times short still keeps it within seconds.
constexpr double kAnalyticFactor = 3.0;
constexpr double kSplineFactor = 10.0;

// The longest side a triangle may have along a direction of curvature `k` (0: flat) within
// the deflections: a chord of length L sags L^2 k / 8 from its arc and turns by L k. 0 for a
// flat direction, where nothing but the face's size bounds it.
double SideAlong(double k, double deflection, double angle)
{
    if (k <= Precision::Confusion()) {
        return 0.0;
    }
    return std::min(std::sqrt(8.0 * deflection / k), angle / k);
}

int SamplesOver(int knotSpans)
{
    return std::clamp(2 * knotSpans, kMinSamples, kMaxSamples);
}

// The angular deflection one doubling coarser than `current`, for a face asked `asked`.
double CoarserAngle(double current, double asked)
{
    return std::min(current * std::sqrt(2.0), std::max(asked, kMaxAngle));
}

// A face to mesh alone, from this deflection on; `crossed` when its borders cross themselves
// at the deflection asked, else it is beyond the budget of triangles.
struct Coarse {
    TopoDS_Face face;
    double deflection;
    double angle;
    bool crossed;
};

// Meshes `shape` as BRepMesh_IncrementalMesh does, unless BRepMesh finds faces whose borders
// cross themselves: then nothing is meshed and those faces are returned.
std::vector<TopoDS_Face> MeshChecked(const TopoDS_Shape& shape, double deflection, double angle)
{
    Handle(BorderCheckedMeshContext) context = new BorderCheckedMeshContext;
    BRepMesh_IncrementalMesh mesher;
    mesher.SetShape(shape);
    mesher.ChangeParameters().Deflection = deflection;
    mesher.ChangeParameters().Angle = angle;
    mesher.Perform(context);
    return context->GetCrossedFaces();
}

// Meshes `face` alone at its deflection, or, while its borders cross themselves there, doubled
// up to kMaxDoublings times; returns the deflection it was meshed at, 0 when none would do and it
// has no triangles (as BRepMesh leaves such a face).
double MeshAlone(const Coarse& face, double askedAngle)
{
    double deflection = face.deflection;
    double angle = face.angle;
    for (int step = 0; step < kMaxDoublings; ++step) {
        if (MeshChecked(face.face, deflection, angle).empty()) {
            return deflection;
        }
        deflection *= 2.0;
        angle = CoarserAngle(angle, askedAngle);
    }
    return 0.0;
}

// A compound of the faces of `faces` that are not in `left`.
TopoDS_Compound FacesBut(const TopTools_IndexedMapOfShape& faces, const TopTools_MapOfShape& left)
{
    TopoDS_Compound compound;
    BRep_Builder builder;
    builder.MakeCompound(compound);
    for (int i = 1; i <= faces.Extent(); ++i) {
        if (!left.Contains(faces.FindKey(i))) {
            builder.Add(compound, faces.FindKey(i));
        }
    }
    return compound;
}

} // namespace

double ShapeMesher::EstimateTriangles(const TopoDS_Face& face, double deflection, double angle)
{
    TopLoc_Location location;
    Handle(Geom_Surface) surface = BRep_Tool::Surface(face, location);
    if (surface.IsNull() || deflection <= 0.0 || angle <= 0.0) {
        return 0.0;
    }
    double u0 = 0, u1 = 0, v0 = 0, v1 = 0;
    BRepTools::UVBounds(face, u0, u1, v0, v1);
    if (!(u1 > u0) || !(v1 > v0) || Precision::IsInfinite(u1 - u0) ||
        Precision::IsInfinite(v1 - v0)) {
        return 0.0;
    }
    int nu = kMinSamples;
    int nv = kMinSamples;
    double factor = kAnalyticFactor;
    Handle(Geom_Surface) basis = surface;
    if (auto trimmed = Handle(Geom_RectangularTrimmedSurface)::DownCast(basis)) {
        basis = trimmed->BasisSurface();
    }
    if (auto spline = Handle(Geom_BSplineSurface)::DownCast(basis)) {
        nu = SamplesOver(spline->NbUKnots() - 1);
        nv = SamplesOver(spline->NbVKnots() - 1);
        factor = kSplineFactor;
    }
    // A scaled placement scales areas by its square and curvatures by its inverse.
    const double scale = std::abs(location.Transformation().ScaleFactor());
    const double du = (u1 - u0) / nu;
    const double dv = (v1 - v0) / nv;
    GeomLProp_SLProps props(surface, 2, Precision::Confusion());
    // Triangles of the parts curved both ways, and the widths of those curved one way (a
    // cylinder's): BRepMesh runs its triangles along the straight direction as far as the face
    // goes, so those are counted once the face's size is known.
    double curved = 0.0;
    double singly = 0.0;
    double area = 0.0;
    for (int i = 0; i < nu; ++i) {
        for (int j = 0; j < nv; ++j) {
            props.SetParameters(u0 + (i + 0.5) * du, v0 + (j + 0.5) * dv);
            const double cell =
                props.D1U().Crossed(props.D1V()).Magnitude() * du * dv * scale * scale;
            area += cell;
            if (!props.IsCurvatureDefined()) {
                continue;
            }
            const double k1 = std::abs(props.MaxCurvature()) / scale;
            const double k2 = std::abs(props.MinCurvature()) / scale;
            const double along = SideAlong(std::max(k1, k2), deflection, angle);
            const double across = SideAlong(std::min(k1, k2), deflection, angle);
            if (along <= 0.0) {
                continue; // flat here: its triangles come from its borders
            }
            if (across <= 0.0) {
                singly += 2.0 * cell / along;
            } else {
                curved += 2.0 * cell / (along * across);
            }
        }
    }
    const double triangles = curved + (area > 0.0 ? singly / std::sqrt(area) : 0.0);
    return factor * triangles;
}

ShapeMesher::Result ShapeMesher::Mesh(const TopoDS_Shape& shape, double deflection, double angle,
                                      double budget)
{
    Result result;
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(shape, TopAbs_FACE, faces);
    std::vector<Coarse> coarse;
    TopTools_MapOfShape alone;
    for (int i = 1; i <= faces.Extent(); ++i) {
        const TopoDS_Face& face = TopoDS::Face(faces.FindKey(i));
        double faceDeflection = deflection;
        double faceAngle = angle;
        for (int step = 0;
             step < kMaxDoublings && EstimateTriangles(face, faceDeflection, faceAngle) > budget;
             ++step) {
            faceDeflection *= 2.0;
            faceAngle = CoarserAngle(faceAngle, angle);
        }
        if (faceDeflection != deflection) {
            coarse.push_back({face, faceDeflection, faceAngle, false});
            alone.Add(face);
        }
    }
    // The faces within the budget together, so that they share their edges' points as they
    // would have; each coarse or crossed face alone, where its borders get its own points.
    std::vector<TopoDS_Face> crossed =
        MeshChecked(alone.IsEmpty() ? shape : FacesBut(faces, alone), deflection, angle);
    while (!crossed.empty()) {
        for (const TopoDS_Face& face : crossed) {
            coarse.push_back({face, deflection, angle, true});
            alone.Add(face);
        }
        crossed = MeshChecked(FacesBut(faces, alone), deflection, angle);
    }
    for (const Coarse& face : coarse) {
        const double meshed = MeshAlone(face, angle);
        if (meshed > deflection) {
            int& count = face.crossed ? result.crossed : result.coarsened;
            double& largest = face.crossed ? result.crossedDeflection : result.deflection;
            ++count;
            largest = std::max(largest, meshed);
        }
    }
    return result;
}

} // namespace orvkit
