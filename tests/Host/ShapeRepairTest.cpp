// Walking shapes and repairing them: TopoExplor, ShapeBuilder::MakeSolid and
// FixShapeTool::FixSmallEdges on shapes built here.
#include "Support/TestSupport.h"

#include "Geometry/Builder/FixShapeTool.h"
#include "Geometry/Builder/ShapeBuilder.h"
#include "Geometry/Kernel/TopoExplor.h"

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include <array>
#include <cmath>
#include <limits>

using namespace orvkit;
using namespace orvtest;

namespace {

double Volume(const TopoDS_Shape& shape)
{
    GProp_GProps props;
    BRepGProp::VolumeProperties(shape, props);
    return props.Mass();
}

double Area(const TopoDS_Shape& shape)
{
    GProp_GProps props;
    BRepGProp::SurfaceProperties(shape, props);
    return props.Mass();
}

double ShortestEdge(const TopoDS_Shape& shape)
{
    double shortest = std::numeric_limits<double>::max();
    for (TopExp_Explorer it(shape, TopAbs_EDGE); it.More(); it.Next()) {
        if (BRep_Tool::Degenerated(TopoDS::Edge(it.Current()))) {
            continue;
        }
        GProp_GProps props;
        BRepGProp::LinearProperties(it.Current(), props);
        shortest = std::min(shortest, props.Mass());
    }
    return shortest;
}

// A planar face on a closed polygon.
TopoDS_Face PolygonFace(const std::vector<gp_Pnt>& points)
{
    BRepBuilderAPI_MakePolygon polygon;
    for (const gp_Pnt& point : points) {
        polygon.Add(point);
    }
    polygon.Close();
    return BRepBuilderAPI_MakeFace(polygon.Wire(), Standard_True).Face();
}

// The six faces of a box from `origin` with sides dx, dy, dz, each face on its own edges and
// vertices (nothing shared, as a file of loose faces has them), their normals pointing every
// which way. `shift` moves the top face up, opening a gap of that width all round it.
std::vector<TopoDS_Shape> LooseBoxFaces(const gp_Pnt& origin, double dx, double dy, double dz,
                                        double shift = 0.0)
{
    const double x0 = origin.X(), y0 = origin.Y(), z0 = origin.Z();
    const double x1 = x0 + dx, y1 = y0 + dy, z1 = z0 + dz;
    const double top = z1 + shift;
    return {
        PolygonFace({{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}}),
        PolygonFace({{x0, y0, top}, {x1, y0, top}, {x1, y1, top}, {x0, y1, top}}),
        PolygonFace({{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}),
        PolygonFace({{x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}, {x0, y1, z0}}),
        PolygonFace({{x0, y0, z0}, {x0, y1, z0}, {x0, y1, z1}, {x0, y0, z1}}),
        PolygonFace({{x1, y0, z1}, {x1, y1, z1}, {x1, y1, z0}, {x1, y0, z0}}),
    };
}

bool IsValid(const TopoDS_Shape& shape)
{
    return BRepCheck_Analyzer(shape).IsValid() == Standard_True;
}

TEST(TopoExplorTest, GivesCompoundMembersInOrderWithThePlacementApplied)
{
    const TopoDS_Shape box = MakeBox(1, 1, 1);
    const TopoDS_Shape cylinder = MakeCylinder(1, 2);
    const TopoDS_Shape sphere = BRepPrimAPI_MakeSphere(1).Shape();
    const TopLoc_Location placement(Translation(10, 0, 0));
    const TopoDS_Shape compound = MakeCompound({box, cylinder.Reversed(), sphere}).Moved(placement);

    const std::vector<std::shared_ptr<TopoShape>> members =
        TopoExplor::GetSubShapes(TopoShape::Create(compound));
    ASSERT_EQ(members.size(), 3u);
    const std::array<TopoDS_Shape, 3> expected = {box, cylinder.Reversed(), sphere};
    for (size_t i = 0; i < members.size(); ++i) {
        const TopoDS_Shape& member = members[i]->GetImpl();
        EXPECT_TRUE(member.IsPartner(expected[i])) << i;
        EXPECT_EQ(member.Orientation(), expected[i].Orientation()) << i;
        EXPECT_TRUE(member.Location().IsEqual(placement * expected[i].Location())) << i;
    }
    // A reversed compound reverses its members.
    const std::vector<std::shared_ptr<TopoShape>> reversed =
        TopoExplor::GetSubShapes(TopoShape::Create(compound.Reversed()));
    ASSERT_EQ(reversed.size(), 3u);
    EXPECT_EQ(reversed[0]->GetImpl().Orientation(), TopAbs_REVERSED);
    EXPECT_EQ(reversed[1]->GetImpl().Orientation(), TopAbs_FORWARD);
}

TEST(TopoExplorTest, GivesDirectChildrenOnlyAndNothingBelowAVertex)
{
    const std::vector<std::shared_ptr<TopoShape>> shells =
        TopoExplor::GetSubShapes(TopoShape::Create(MakeBox(1, 1, 1)));
    ASSERT_EQ(shells.size(), 1u);
    EXPECT_EQ(shells[0]->GetShapeType(), TopoShapeShell);
    EXPECT_EQ(TopoExplor::GetSubShapes(shells[0]).size(), 6u);

    const TopoDS_Shape vertex = BRepBuilderAPI_MakeVertex(gp_Pnt(1, 2, 3)).Shape();
    EXPECT_TRUE(TopoExplor::GetSubShapes(TopoShape::Create(vertex)).empty());
    EXPECT_TRUE(TopoExplor::GetSubShapes(TopoShape::Create(TopoDS_Shape())).empty());
    EXPECT_TRUE(TopoExplor::GetSubShapes(nullptr).empty());
}

TEST(MakeSolidTest, SewsLooseFacesIntoAValidOutwardSolid)
{
    for (const double gap : {0.0, 0.004}) {
        const TopoDS_Compound faces = MakeCompound(LooseBoxFaces(gp_Pnt(0, 0, 0), 10, 20, 30, gap));
        const std::shared_ptr<TopoShape> solid =
            ShapeBuilder::MakeSolid(TopoShape::Create(faces), 0.01);
        ASSERT_TRUE(solid) << gap;
        EXPECT_EQ(solid->GetShapeType(), TopoShapeSolid) << gap;
        EXPECT_EQ(solid->CountChildren(TopoShapeFace), 6) << gap;
        // Sewn: neighbouring faces share their edges.
        EXPECT_EQ(solid->CountChildren(TopoShapeEdge), 12) << gap;
        EXPECT_TRUE(IsValid(solid->GetImpl())) << gap;
        // Positive volume: the faces point outwards.
        EXPECT_NEAR(Volume(solid->GetImpl()), 6000.0, 6000.0 * 1e-3) << gap;
    }
}

TEST(MakeSolidTest, SeveralClosedShellsGiveACompoundOfSolids)
{
    std::vector<TopoDS_Shape> faces = LooseBoxFaces(gp_Pnt(0, 0, 0), 1, 1, 1);
    for (const TopoDS_Shape& face : LooseBoxFaces(gp_Pnt(5, 0, 0), 2, 2, 2)) {
        faces.push_back(face);
    }
    const std::shared_ptr<TopoShape> result =
        ShapeBuilder::MakeSolid(TopoShape::Create(MakeCompound(faces)), 0.01);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->GetShapeType(), TopoShapeCompound);
    const std::vector<std::shared_ptr<TopoShape>> solids = TopoExplor::GetSubShapes(result);
    ASSERT_EQ(solids.size(), 2u);
    double total = 0.0;
    for (const auto& solid : solids) {
        EXPECT_EQ(solid->GetShapeType(), TopoShapeSolid);
        total += Volume(solid->GetImpl());
    }
    EXPECT_NEAR(total, 1.0 + 8.0, 1e-6);
    EXPECT_TRUE(IsValid(result->GetImpl()));
}

TEST(MakeSolidTest, GivesNullWhenTheFacesDoNotClose)
{
    // Open box: five faces.
    std::vector<TopoDS_Shape> faces = LooseBoxFaces(gp_Pnt(0, 0, 0), 10, 20, 30);
    faces.pop_back();
    EXPECT_FALSE(ShapeBuilder::MakeSolid(TopoShape::Create(MakeCompound(faces)), 0.01));

    // A gap wider than the tolerance.
    const TopoDS_Compound gapped = MakeCompound(LooseBoxFaces(gp_Pnt(0, 0, 0), 10, 20, 30, 0.5));
    EXPECT_FALSE(ShapeBuilder::MakeSolid(TopoShape::Create(gapped), 0.01));

    // A closed box and a loose face beside it: the face would be dropped.
    faces = LooseBoxFaces(gp_Pnt(0, 0, 0), 1, 1, 1);
    faces.push_back(PolygonFace({{5, 0, 0}, {6, 0, 0}, {6, 1, 0}}));
    EXPECT_FALSE(ShapeBuilder::MakeSolid(TopoShape::Create(MakeCompound(faces)), 0.01));

    // No faces at all.
    BRepBuilderAPI_MakePolygon wire(gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(1, 1, 0), true);
    EXPECT_FALSE(ShapeBuilder::MakeSolid(TopoShape::Create(wire.Wire()), 0.01));
    EXPECT_FALSE(ShapeBuilder::MakeSolid(TopoShape::Create(TopoDS_Shape()), 0.01));
    EXPECT_FALSE(ShapeBuilder::MakeSolid(nullptr, 0.01));
}

TEST(MakeSolidTest, SolidsAreKeptAndOnlyTheFacesOutsideThemAreSewn)
{
    const std::shared_ptr<TopoShape> box = TopoShape::Create(MakeBox(1, 2, 3));
    EXPECT_EQ(ShapeBuilder::MakeSolid(box, 0.01), box);
    // An assembly of solids that touch: sewing them would join their faces.
    const TopoDS_Shape touching = MakeBox(1, 1, 1).Moved(TopLoc_Location(Translation(1, 0, 0)));
    const std::shared_ptr<TopoShape> assembly =
        TopoShape::Create(MakeCompound({box->GetImpl(), touching}));
    EXPECT_EQ(ShapeBuilder::MakeSolid(assembly, 0.01), assembly);

    std::vector<TopoDS_Shape> members = LooseBoxFaces(gp_Pnt(5, 0, 0), 2, 2, 2);
    members.insert(members.begin(), touching);
    const std::shared_ptr<TopoShape> result =
        ShapeBuilder::MakeSolid(TopoShape::Create(MakeCompound(members)), 0.01);
    ASSERT_TRUE(result);
    const std::vector<std::shared_ptr<TopoShape>> solids = TopoExplor::GetSubShapes(result);
    ASSERT_EQ(solids.size(), 2u);
    EXPECT_TRUE(solids[0]->GetImpl().IsEqual(touching));
    EXPECT_EQ(solids[1]->GetShapeType(), TopoShapeSolid);
    EXPECT_NEAR(Volume(solids[1]->GetImpl()), 8.0, 1e-6);
}

// A square of side 10 from (x, 0) with one corner cut off by an edge `cut` long.
TopoDS_Face ChamferedSquare(double cut, double x)
{
    const double d = cut / std::sqrt(2.0);
    return PolygonFace(
        {{x, 0, 0}, {x + 10, 0, 0}, {x + 10, 10, 0}, {x + d, 10, 0}, {x, 10 - d, 0}});
}

// A prism on ChamferedSquare. Removing the two cut edges from the narrow side face between them
// merges vertices `cut` apart, so it needs a vertex tolerance of about half of it.
TopoDS_Shape ChamferedPrism(double cut, double x)
{
    return BRepPrimAPI_MakePrism(ChamferedSquare(cut, x), gp_Vec(0, 0, 5)).Shape();
}

TEST(FixSmallEdgesTest, RemovesEdgesShorterThanTheLimit)
{
    for (const TopoDS_Shape& shape :
         {TopoDS_Shape(ChamferedSquare(0.001, 0)), ChamferedPrism(0.001, 0)}) {
        const std::shared_ptr<TopoShape> original = TopoShape::Create(shape);
        ASSERT_LT(ShortestEdge(shape), 0.01);
        const std::shared_ptr<TopoShape> fixed = FixShapeTool::FixSmallEdges(original, 0.01, 1.0);
        ASSERT_TRUE(fixed);
        EXPECT_EQ(fixed->GetShapeType(), original->GetShapeType());
        EXPECT_LT(fixed->CountChildren(TopoShapeEdge), original->CountChildren(TopoShapeEdge));
        EXPECT_GE(ShortestEdge(fixed->GetImpl()), 0.01);
        EXPECT_TRUE(IsValid(fixed->GetImpl()));
        EXPECT_NEAR(Area(fixed->GetImpl()), Area(shape), 0.01);
    }
}

TEST(FixSmallEdgesTest, KeepsEachSolidWhoseRepairWouldStretchAVertexTooFar)
{
    // Bound 0.01 * 0.01 = 0.0001: enough for a cut of 0.00015, not for one of 0.001.
    const TopoDS_Shape wide = ChamferedPrism(0.001, 0);
    const TopoDS_Shape narrow = ChamferedPrism(0.00015, 20);
    const std::shared_ptr<TopoShape> fixed =
        FixShapeTool::FixSmallEdges(TopoShape::Create(MakeCompound({wide, narrow})), 0.01, 0.01);
    ASSERT_TRUE(fixed);
    const std::vector<std::shared_ptr<TopoShape>> parts = TopoExplor::GetSubShapes(fixed);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_TRUE(parts[0]->GetImpl().IsEqual(wide));
    EXPECT_LT(parts[1]->CountChildren(TopoShapeEdge), 15);
    EXPECT_GE(ShortestEdge(parts[1]->GetImpl()), 0.01);
    int vertices = 0;
    for (TopExp_Explorer it(parts[1]->GetImpl(), TopAbs_VERTEX); it.More(); it.Next()) {
        EXPECT_LE(BRep_Tool::Tolerance(TopoDS::Vertex(it.Current())), 0.0001);
        ++vertices;
    }
    EXPECT_GT(vertices, 0);
    EXPECT_TRUE(IsValid(fixed->GetImpl()));
}

TEST(FixSmallEdgesTest, RepairsARepeatedSolidOnceAndKeepsItsPlacements)
{
    const TopoDS_Shape prism = ChamferedPrism(0.001, 0);
    const TopLoc_Location placement(Translation(0, 50, 0));
    const std::shared_ptr<TopoShape> fixed = FixShapeTool::FixSmallEdges(
        TopoShape::Create(MakeCompound({prism, prism.Moved(placement)})), 0.01, 1.0);
    ASSERT_TRUE(fixed);
    const std::vector<std::shared_ptr<TopoShape>> parts = TopoExplor::GetSubShapes(fixed);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_TRUE(parts[0]->GetImpl().IsPartner(parts[1]->GetImpl()));
    EXPECT_TRUE(parts[1]->GetImpl().Location().IsEqual(placement * parts[0]->GetImpl().Location()));
    EXPECT_FALSE(parts[0]->GetImpl().IsPartner(prism));
    EXPECT_GE(ShortestEdge(fixed->GetImpl()), 0.01);
    EXPECT_NEAR(Volume(fixed->GetImpl()), 2 * Volume(prism), 1e-3);
}

TEST(FixSmallEdgesTest, ChangesNothingWhenEveryEdgeIsLongEnough)
{
    const TopoDS_Face face = ChamferedSquare(0.001, 0);
    const std::shared_ptr<TopoShape> original = TopoShape::Create(face);
    const std::shared_ptr<TopoShape> fixed = FixShapeTool::FixSmallEdges(original, 0.0001, 1.0);
    ASSERT_TRUE(fixed);
    EXPECT_TRUE(fixed->GetImpl().IsEqual(face));
    EXPECT_EQ(fixed->CountChildren(TopoShapeEdge), 5);
}

TEST(FixSmallEdgesTest, RefusesWhatItCannotWorkOn)
{
    const std::shared_ptr<TopoShape> box = TopoShape::Create(MakeBox(1, 1, 1));
    EXPECT_FALSE(FixShapeTool::FixSmallEdges(nullptr, 0.01, 1.0));
    EXPECT_FALSE(FixShapeTool::FixSmallEdges(TopoShape::Create(TopoDS_Shape()), 0.01, 1.0));
    EXPECT_FALSE(FixShapeTool::FixSmallEdges(box, 0.0, 1.0));
    EXPECT_FALSE(FixShapeTool::FixSmallEdges(box, 0.01, -1.0));
}

} // namespace
