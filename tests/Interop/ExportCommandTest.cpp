// The two export commands as the application runs them: by name through the registry, with
// scripted dialogs, writing real files that OpenCASCADE reads back.
#include "Support/DialogScope.h"
#include "Support/TestSupport.h"

#include "Data/App/CommandManager.h"
#include "Data/Kernel/AssemblyElement.h"
#include "Data/Kernel/DbViewBase.h"
#include "Data/Kernel/GroupElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "RegisterInteropDataModule.h"
#include "Xde2Doc.h"

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <Bnd_Box.hxx>
#include <IGESControl_Reader.hxx>
#include <Poly_Triangulation.hxx>
#include <RWStl.hxx>
#include <STEPControl_Reader.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>

#include <array>
#include <cmath>
#include <filesystem>

using namespace orvkit;
using namespace orvtest;

namespace {

using Extent = std::array<double, 6>; // xmin, ymin, zmin, xmax, ymax, zmax

Extent ExtentOf(const Bnd_Box& box)
{
    Extent extent;
    box.Get(extent[0], extent[1], extent[2], extent[3], extent[4], extent[5]);
    return extent;
}

Extent ExtentOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    box.SetGap(0);
    BRepBndLib::AddOptimal(shape, box, Standard_False);
    return ExtentOf(box);
}

::testing::AssertionResult ExtentNear(const Extent& expected, const Extent& actual,
                                      double tolerance = 1e-4)
{
    for (size_t i = 0; i < 6; ++i) {
        if (std::abs(expected[i] - actual[i]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "coordinate " << i << ": expected " << expected[i] << ", got " << actual[i];
        }
    }
    return ::testing::AssertionSuccess();
}

TopoDS_Shape ReadBrep(const std::string& path)
{
    TopoDS_Shape shape;
    BRep_Builder builder;
    BRepTools::Read(shape, path.c_str(), builder);
    return shape;
}

// The shape a STEP (or, with IGESControl_Reader, an IGES) file holds, null if unreadable.
template <class Reader = STEPControl_Reader> TopoDS_Shape ReadShape(const std::string& path)
{
    Reader reader;
    if (reader.ReadFile(path.c_str()) != IFSelect_RetDone) {
        return {};
    }
    reader.TransferRoots();
    return reader.OneShape();
}

int Count(const TopoDS_Shape& shape, TopAbs_ShapeEnum type)
{
    TopTools_IndexedMapOfShape map;
    TopExp::MapShapes(shape, type, map);
    return map.Extent();
}

class ExportCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterInteropDataModule();
        myDocument.Initialize("3D");
        myDocument.SetName("/models/model.step");
        // A box of 1 x 2 x 3 whose corner sits at (10, 20, 30): every axis change moves it
        // somewhere else.
        gp_Trsf offset;
        offset.SetTranslation(gp_Vec(10, 20, 30));
        myBlock = ShapeElement::Create(&myDocument);
        myBlock->SetName("Block");
        myBlock->SetBrowserable(true);
        myBlock->SetShape(
            TopoShape::Create(BRepBuilderAPI_Transform(MakeBox(1, 2, 3), offset, true).Shape()));
    }

    // Runs ExportModel into `file`, with the axis codes given to the export dialog.
    bool Export(const std::string& file, int source = 2, int target = 2)
    {
        DialogScope dialogs({file});
        dialogs->SetDialogValue("ModelAxisSource", ParameterCreator::Create(source));
        dialogs->SetDialogValue("ModelAxisTarget", ParameterCreator::Create(target));
        CommandContext context(&myDocument, nullptr);
        const bool written = CommandManager::Instance().Run("ExportModel", &context);
        myCalls = dialogs->GetCalls();
        return written;
    }

    bool Split(const std::string& folder)
    {
        DialogScope dialogs({folder});
        CommandContext context(&myDocument, nullptr);
        return CommandManager::Instance().Run("ExportAssemblyChildren", &context);
    }

    TempDir myDir;
    Document myDocument;
    ShapeElement* myBlock = nullptr;
    std::vector<DialogCall> myCalls;
};

TEST_F(ExportCommandTest, AxisChangesMoveTheShapeAsTheConventionsSay)
{
    // (x, y, z) of the box: x in [10, 11], y in [20, 22], z in [30, 33].
    const Extent unchanged{10, 20, 30, 11, 22, 33};
    const struct {
        int source, target;
        Extent expected;
    } cases[] = {
        {2, 2, unchanged},
        {1, 1, unchanged},
        {2, 5, unchanged},                  // raw codes differ, both mean Z up: identity
        {1, 2, {10, -33, 20, 11, -30, 22}}, // (x, -z, y)
        {2, 1, {10, 30, -22, 11, 33, -20}}, // (x, z, -y)
        {0, 2, {20, 30, 10, 22, 33, 11}},   // (y, z, x)
        {2, 0, {30, 10, 20, 33, 11, 22}},   // (z, x, y)
        {0, 1, {30, -22, 10, 33, -20, 11}}, // (z, -y, x)
        {1, 0, {30, -22, 10, 33, -20, 11}},
    };
    for (const auto& c : cases) {
        const std::string file = myDir.File("axes-" + std::to_string(c.source) + "-" +
                                            std::to_string(c.target) + ".brep");
        ASSERT_TRUE(Export(file, c.source, c.target)) << c.source << " -> " << c.target;
        EXPECT_TRUE(ExtentNear(c.expected, ExtentOf(ReadBrep(file))))
            << c.source << " -> " << c.target;
    }
}

TEST_F(ExportCommandTest, TheDefaultNameComesFromTheDocumentOrTheSelection)
{
    ASSERT_TRUE(Export(myDir.File("view.brep")));
    ASSERT_EQ(myCalls.size(), 2u);
    EXPECT_EQ(myCalls[0].title, "导出模型");
    EXPECT_EQ(myCalls[0].defaultName, "model.stp");
    EXPECT_EQ(
        myCalls[0].filters,
        (std::vector<std::string>{"STEP Files (.stp)", "*.stp", "IGES Files (igs)", "*.igs",
                                  "STL Files (.stl)", "*.stl", "BREP Files (.brep)", "*.brep"}));
    EXPECT_EQ(myCalls[1].kind, "ExportModelDlg"); // after the file dialog

    myDocument.SetSelection({PickedId(myBlock->GetId())});
    ASSERT_TRUE(Export(myDir.File("selected.brep")));
    ASSERT_EQ(myCalls.size(), 2u);
    EXPECT_EQ(myCalls[0].defaultName, "Block.stp");
}

TEST_F(ExportCommandTest, NothingToExportFailsBeforeAnyDialog)
{
    ScopedLogCapture log;
    myDocument.SetSelection({PickedId(myDocument.GetActiveDbViewId())}); // not drawable
    EXPECT_FALSE(Export(myDir.File("x.brep")));
    EXPECT_TRUE(log.Contains(3, "Shape is null!"));
    EXPECT_TRUE(myCalls.empty());

    myDocument.SetSelection({});
    myDocument.RemoveElement(myDocument.GetActiveDbViewId());
    EXPECT_FALSE(Export(myDir.File("x.brep")));
    EXPECT_TRUE(log.Contains(3, "DBView is null!"));

    Document empty;
    empty.Initialize("3D");
    CommandContext context(&empty, nullptr);
    DialogScope dialogs;
    EXPECT_FALSE(CommandManager::Instance().Run("ExportModel", &context));
    EXPECT_TRUE(dialogs->GetCalls().empty());
    EXPECT_FALSE(std::filesystem::exists(myDir.File("x.brep")));
}

TEST_F(ExportCommandTest, ACancelledSaveDialogOrAFailedWriteIsFalse)
{
    EXPECT_FALSE(Export(""));
    ASSERT_EQ(myCalls.size(), 1u); // no export dialog after a cancel
    EXPECT_FALSE(Export(myDir.File("missing-folder/model.stp")));
    EXPECT_FALSE(std::filesystem::exists(myDir.File("missing-folder")));
}

// The sample assembly (nested sub-assemblies, parts placed many times) collected from the view
// and written in each format: read back, it has the place and the size of the file it came
// from, and the B-rep formats keep every solid and face.
TEST_F(ExportCommandTest, AnAssemblyRoundTripsThroughEveryFormat)
{
    const std::string sample = SamplePath();
    const TopoDS_Shape original = ReadShape(sample);
    Document document;
    document.Initialize("3D");
    Xde2Doc converter;
    ASSERT_TRUE(converter.Load(sample));
    converter.Transfer(&document);
    const Extent expected = ExtentOf(original);
    for (const char* name : {"as1.stp", "as1.igs", "as1.brep", "as1.stl"}) {
        const std::string file = myDir.File(name);
        DialogScope dialogs({file});
        CommandContext context(&document, nullptr);
        ASSERT_TRUE(CommandManager::Instance().Run("ExportModel", &context)) << name;
        ASSERT_GT(std::filesystem::file_size(file), 0u) << name;
    }
    for (const TopoDS_Shape& shape :
         {ReadBrep(myDir.File("as1.brep")), ReadShape(myDir.File("as1.stp"))}) {
        EXPECT_TRUE(ExtentNear(expected, ExtentOf(shape)));
        EXPECT_EQ(Count(shape, TopAbs_SOLID), Count(original, TopAbs_SOLID));
        EXPECT_EQ(Count(shape, TopAbs_FACE), Count(original, TopAbs_FACE));
    }
    const TopoDS_Shape iges = ReadShape<IGESControl_Reader>(myDir.File("as1.igs"));
    EXPECT_TRUE(ExtentNear(expected, ExtentOf(iges)));
    EXPECT_EQ(Count(iges, TopAbs_FACE), Count(original, TopAbs_FACE));
    // The mesh lies within its deflection (a thousandth of the diagonal) of the surfaces.
    const Handle(Poly_Triangulation) mesh = RWStl::ReadFile(myDir.File("as1.stl").c_str());
    ASSERT_FALSE(mesh.IsNull());
    Bnd_Box meshBox;
    for (int i = 1; i <= mesh->NbNodes(); ++i) {
        meshBox.Add(mesh->Node(i));
    }
    EXPECT_TRUE(
        ExtentNear(expected, ExtentOf(meshBox), 1e-3 * std::sqrt(meshBox.SquareExtent()) + 1e-6));
}

class ExportChildrenTest : public ExportCommandTest {
protected:
    void SetUp() override
    {
        ExportCommandTest::SetUp();
        myAssembly = AssemblyElement::Create(&myDocument);
        myAssembly->SetName("Rig");
    }

    ShapeElement* AddChild(const std::string& name, double size)
    {
        ShapeElement* child = ShapeElement::Create(&myDocument);
        child->SetName(name);
        child->SetShape(TopoShape::Create(MakeBox(size, size, size)));
        return child;
    }

    AssemblyElement* myAssembly = nullptr;
};

TEST_F(ExportChildrenTest, EachChildGoesToItsOwnStepFileAndTheLaterOfTwoNamesWins)
{
    const ShapeElement* first = AddChild("Plate", 1);
    const ShapeElement* bolt = AddChild("Bolt", 2);
    const ShapeElement* second = AddChild("Plate", 3); // same name, later id
    GroupElement* empty = GroupElement::Create(&myDocument);
    empty->SetName("Nothing");
    const ObjectId gone = ObjectId::NewId();
    myAssembly->SetChildren({first->GetId(), bolt->GetId(), second->GetId(), empty->GetId(), gone});
    myDocument.SetActiveAssemblyId(myAssembly->GetId());

    ScopedLogCapture log;
    ASSERT_TRUE(Split(myDir.GetPath()));
    EXPECT_TRUE(log.Contains(3, "Shape is null!"));
    EXPECT_TRUE(log.Contains(3, "Child is null!"));
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(myDir.GetPath())) {
        written.push_back(entry.path().filename().string());
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"Bolt.stp", "Plate.stp"}));
    EXPECT_TRUE(ExtentNear({0, 0, 0, 3, 3, 3}, ExtentOf(ReadShape(myDir.File("Plate.stp")))));
    EXPECT_EQ(Count(ReadShape(myDir.File("Bolt.stp")), TopAbs_SOLID), 1);
}

TEST_F(ExportChildrenTest, TheSelectionWinsOverTheActiveAssembly)
{
    AssemblyElement* other = AssemblyElement::Create(&myDocument);
    other->SetChildren({AddChild("Other", 1)->GetId()});
    myAssembly->SetChildren({AddChild("Mine", 1)->GetId()});
    myDocument.SetActiveAssemblyId(other->GetId());
    myDocument.SetSelection({PickedId(myAssembly->GetId())});
    ASSERT_TRUE(Split(myDir.GetPath()));
    EXPECT_TRUE(std::filesystem::exists(myDir.File("Mine.stp")));
    EXPECT_FALSE(std::filesystem::exists(myDir.File("Other.stp")));
}

TEST_F(ExportChildrenTest, NoAssemblyTellsTheUserAndAnEmptyOneWritesNothing)
{
    ScopedLogCapture log;
    DialogScope dialogs;
    CommandContext context(&myDocument, nullptr);
    EXPECT_FALSE(CommandManager::Instance().Run("ExportAssemblyChildren", &context));
    const auto& records = log->GetRecords();
    ASSERT_GE(records.size(), 2u);
    EXPECT_TRUE(records[0].report);
    EXPECT_EQ(records[0].text, "没有找到活动的装配体。");
    EXPECT_EQ(records[1].level, 1);
    EXPECT_NE(records[1].text.find("AExportCommand"), std::string::npos);
    EXPECT_TRUE(dialogs->GetCalls().empty());

    myDocument.SetActiveAssemblyId(myAssembly->GetId());
    EXPECT_FALSE(Split("")); // the folder dialog cancelled
    ASSERT_TRUE(Split(myDir.GetPath()));
    EXPECT_TRUE(std::filesystem::is_empty(myDir.GetPath()));
}

} // namespace
