// The repair the plugin installs after every read of the generic shape reader.
#include "Support/TestSupport.h"

#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "RegisterInteropDataModule.h"

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

using namespace orvkit;
using namespace orvtest;

namespace {

// The faces of a box as loose faces: each with its own edges, nothing shared.
std::shared_ptr<TopoShape> LooseBoxFaces(bool withoutTop = false)
{
    BRep_Builder builder;
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    int index = 0;
    for (TopExp_Explorer faces(MakeBox(10, 10, 10), TopAbs_FACE); faces.More(); faces.Next()) {
        if (withoutTop && index++ == 5) {
            continue;
        }
        const TopoDS_Face& face = TopoDS::Face(faces.Current());
        builder.Add(
            compound,
            BRepBuilderAPI_MakeFace(BRep_Tool::Surface(face), BRepTools::OuterWire(face)).Face());
    }
    return TopoShape::Create(compound);
}

// A square face whose outline has one edge 0.001 long.
std::shared_ptr<TopoShape> FaceWithATinyEdge()
{
    BRepBuilderAPI_MakePolygon polygon;
    polygon.Add(gp_Pnt(0, 0, 0));
    polygon.Add(gp_Pnt(10, 0, 0));
    polygon.Add(gp_Pnt(10, 10, 0));
    polygon.Add(gp_Pnt(0, 10, 0));
    polygon.Add(gp_Pnt(0, 0.001, 0));
    polygon.Close();
    return TopoShape::Create(BRepBuilderAPI_MakeFace(polygon.Wire()).Face());
}

class PostprocessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterInteropDataModule();
        myPostprocess = ShapeExchangeManager::Instance().GetPostprocess();
        ASSERT_NE(myPostprocess, nullptr);
    }

    std::shared_ptr<TopoShape> Process(const std::shared_ptr<TopoShape>& shape, bool fixEdges,
                                       bool fixSolid)
    {
        ParameterDict settings;
        ImportSettingsModel model(&settings);
        model.SetFixEdges(fixEdges);
        model.SetEdgeLength(0.01);
        model.SetFixSolid(fixSolid);
        model.SetMakeSolidTol(0.01);
        return myPostprocess->Process(shape, &settings);
    }

    // Texts logged at level 1 or above, location lines left out.
    std::vector<std::string> Notes() const
    {
        std::vector<std::string> notes;
        for (const LogRecord& record : myLog->GetRecords()) {
            if (record.level >= 1 && record.text.rfind("\t#", 0) != 0) {
                notes.push_back(record.text);
            }
        }
        return notes;
    }

    ShapeReaderPostprocess* myPostprocess = nullptr;
    ScopedLogCapture myLog;
};

TEST_F(PostprocessTest, WithBothRepairsOffTheShapeItselfComesBackSilently)
{
    const auto shape = LooseBoxFaces();
    EXPECT_EQ(Process(shape, false, false), shape);
    EXPECT_TRUE(myLog->GetRecords().empty());
}

TEST_F(PostprocessTest, TheSettingsFallBackToTheImportPreferences)
{
    SharedParameterDict& preferences = ImportSettingsModel::GetPreferences();
    preferences.Add(ImportSettingsModel::FixSolidKey, ParameterCreator::Create(true));
    ParameterDict empty;
    const auto result = myPostprocess->Process(LooseBoxFaces(), &empty);
    preferences.Remove(ImportSettingsModel::FixSolidKey);
    EXPECT_EQ(result->GetShapeType(), TopoShapeSolid);
}

TEST_F(PostprocessTest, EdgeRepairAloneRemovesTheTinyEdge)
{
    const auto shape = FaceWithATinyEdge();
    const auto result = Process(shape, true, false);
    EXPECT_EQ(Notes(), std::vector<std::string>{"Fixing Shape ...."});
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(shape->CountChildren(TopoShapeEdge), 5);
    EXPECT_EQ(result->CountChildren(TopoShapeEdge), 4);
    EXPECT_TRUE(BRepCheck_Analyzer(result->GetImpl()).IsValid());

    // A repair that gives nothing hands the shape back as it came.
    const auto empty = TopoShape::Create(TopoDS_Shape());
    EXPECT_EQ(Process(empty, true, false), empty);
}

TEST_F(PostprocessTest, SolidMakingAloneLogsTheKindItWasGivenAndReturnsTheSolid)
{
    const auto result = Process(LooseBoxFaces(), false, true);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"Fixing Solid ....", "ShapeType: 0"}));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetShapeType(), TopoShapeSolid);
    EXPECT_TRUE(BRepCheck_Analyzer(result->GetImpl()).IsValid());
}

TEST_F(PostprocessTest, BothRepairsLogFourStepsInOrder)
{
    const auto result = Process(LooseBoxFaces(), true, true);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"Fixing Shape ....", "Fixing Solid ....",
                                                 "ShapeType: 0", "Fixing Shape (2) ...."}));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetShapeType(), TopoShapeSolid);
    EXPECT_TRUE(BRepCheck_Analyzer(result->GetImpl()).IsValid());
}

TEST_F(PostprocessTest, AnOpenShellFailsSolidMakingAndKeepsTheShape)
{
    const auto open = LooseBoxFaces(true);
    EXPECT_EQ(Process(open, false, true), open);
    const auto& records = myLog->GetRecords();
    const auto failed = std::find_if(records.begin(), records.end(), [](const LogRecord& r) {
        return r.level == 3 && r.text == "Failed to MakeSolid.";
    });
    ASSERT_NE(failed, records.end());
    ASSERT_NE(failed + 1, records.end());
    EXPECT_EQ((failed + 1)->level, 1);
    EXPECT_NE((failed + 1)->text.find("AShapeReaderPostprocessImpl"), std::string::npos);
    const std::vector<std::string> notes = Notes();
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.front(), "Fixing Solid ....");
    EXPECT_EQ(std::count(notes.begin(), notes.end(), "ShapeType: 0"), 0);
}

} // namespace
