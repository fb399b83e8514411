// The generic shape reader: every format written here with OpenCASCADE and read back through
// ShapeIO::Open, the model unit, the post-process hand-over, and failures.
#include "Support/TestSupport.h"

#include "Common/Core/ParameterDict.h"
#include "Geometry/IO/CaughtFailure.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "Geometry/IO/ShapeIO.h"
#include "Geometry/IO/StaticSettingsScope.h"

#include <BRepBndLib.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <IGESControl_Controller.hxx>
#include <IGESControl_Reader.hxx>
#include <IGESControl_Writer.hxx>
#include <Interface_Static.hxx>
#include <Message_ProgressRange.hxx>
#include <Poly_Triangulation.hxx>
#include <RWGltf_CafWriter.hxx>
#include <STEPControl_Reader.hxx>
#include <STEPControl_Writer.hxx>
#include <Standard_DomainError.hxx>
#include <Standard_Failure.hxx>
#include <StlAPI_Writer.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <filesystem>
#include <fstream>
#include <unordered_map>

using namespace orvkit;
using namespace orvtest;

namespace {

namespace fs = std::filesystem;

// Extents of a shape's bounding box along X, Y and Z.
struct Extents {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

Extents ExtentsOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::Add(shape, box);
    box.SetGap(0.0);
    double xmin = 0.0, ymin = 0.0, zmin = 0.0, xmax = 0.0, ymax = 0.0, zmax = 0.0;
    box.Get(xmin, ymin, zmin, xmax, ymax, zmax);
    return {xmax - xmin, ymax - ymin, zmax - zmin};
}

::testing::AssertionResult ExtentsNear(const TopoDS_Shape& shape, double x, double y, double z,
                                       double tolerance)
{
    const Extents e = ExtentsOf(shape);
    if (std::abs(e.x - x) <= tolerance && std::abs(e.y - y) <= tolerance &&
        std::abs(e.z - z) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "extents (" << e.x << ", " << e.y << ", " << e.z
                                         << "), expected (" << x << ", " << y << ", " << z << ")";
}

int CountTriangles(const TopoDS_Shape& shape)
{
    int triangles = 0;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation) mesh =
            BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
        triangles += mesh.IsNull() ? 0 : mesh->NbTriangles();
    }
    return triangles;
}

// The records at level 3 or above: the reasons a caller would show.
std::vector<LogRecord> Reasons(const ScopedLogCapture& log)
{
    std::vector<LogRecord> reasons;
    for (const LogRecord& record : log->GetRecords()) {
        if (record.level >= 3) {
            reasons.push_back(record);
        }
    }
    return reasons;
}

// Keeps what the reader handed over and answers with a shape of its own, or with nothing, or
// with an exception.
class RecordingPostprocess : public ShapeReaderPostprocess {
public:
    enum class Answer { Replace, Nothing, Throw };

    RecordingPostprocess(Answer answer, int* calls, ParameterDict** settings,
                         std::shared_ptr<TopoShape>* received, std::shared_ptr<TopoShape> reply)
        : myAnswer(answer), myCalls(calls), mySettings(settings), myReceived(received),
          myReply(std::move(reply))
    {
    }

    std::shared_ptr<TopoShape> Process(const std::shared_ptr<TopoShape>& shape,
                                       ParameterDict* settings) override
    {
        ++*myCalls;
        *mySettings = settings;
        *myReceived = shape;
        if (myAnswer == Answer::Throw) {
            throw Standard_Failure("repair exploded");
        }
        return myAnswer == Answer::Replace ? myReply : nullptr;
    }

private:
    Answer myAnswer;
    int* myCalls;
    ParameterDict** mySettings;
    std::shared_ptr<TopoShape>* myReceived;
    std::shared_ptr<TopoShape> myReply;
};

class ShapeIOTest : public ::testing::Test {
protected:
    // The plugin, linked into the test support, installs its repair as the post-process; these
    // tests read through ShapeIO alone unless they install one of their own.
    void SetUp() override { ShapeExchangeManager::Instance().SetPostprocess(nullptr); }
    void TearDown() override { ShapeExchangeManager::Instance().SetPostprocess(nullptr); }

    // A STEP file of `shape` in millimetres.
    std::string WriteStep(const TopoDS_Shape& shape, const std::string& name)
    {
        STEPControl_Writer writer;
        StaticSettingsScope scope;
        scope.SetText("xstep.cascade.unit", "MM");
        scope.SetText("write.step.unit", "MM");
        const std::string path = myDir.File(name);
        EXPECT_EQ(writer.Transfer(shape, STEPControl_AsIs), IFSelect_RetDone);
        EXPECT_EQ(writer.Write(path.c_str()), IFSelect_RetDone);
        return path;
    }

    // A STEP file of `shape` whose numbers are unchanged but whose length unit is the metre.
    // OpenCASCADE 7.6's writer scales wrongly when asked for metres, so the unit is changed in
    // the text of a file written in millimetres.
    std::string WriteStepInMetres(const TopoDS_Shape& shape, const std::string& name)
    {
        std::string text = ReadWholeFile(WriteStep(shape, name));
        const std::string millimetre = "SI_UNIT(.MILLI.,.METRE.)";
        const size_t at = text.find(millimetre);
        EXPECT_NE(at, std::string::npos);
        if (at != std::string::npos) {
            text.replace(at, millimetre.size(), "SI_UNIT($,.METRE.)");
        }
        return myDir.Write(name, text);
    }

    // An IGES file of `shape` in millimetres, solids written as B-rep solids.
    std::string WriteIges(const TopoDS_Shape& shape, const std::string& name)
    {
        IGESControl_Controller::Init();
        IGESControl_Writer writer("MM", 1);
        EXPECT_TRUE(writer.AddShape(shape));
        writer.ComputeModel();
        const std::string path = myDir.File(name);
        EXPECT_TRUE(writer.Write(path.c_str()));
        return path;
    }

    std::string WriteStl(const TopoDS_Shape& shape, const std::string& name, bool ascii)
    {
        BRepMesh_IncrementalMesh(shape, 0.5);
        StlAPI_Writer writer;
        writer.ASCIIMode() = ascii;
        const std::string path = myDir.File(name);
        EXPECT_TRUE(writer.Write(shape, path.c_str()));
        return path;
    }

    // A glTF file of `shape` (lengths in millimetres, Z up), binary or text with its buffer
    // beside it.
    std::string WriteGltf(const TopoDS_Shape& shape, const std::string& name, bool binary)
    {
        BRepMesh_IncrementalMesh(shape, 0.5);
        XcafBuilder builder;
        builder.AddPart("Part", shape);
        const std::string path = myDir.File(name);
        RWGltf_CafWriter writer(path.c_str(), binary);
        writer.ChangeCoordinateSystemConverter().SetInputLengthUnit(0.001);
        writer.ChangeCoordinateSystemConverter().SetInputCoordinateSystem(
            RWMesh_CoordinateSystem_Zup);
        EXPECT_TRUE(writer.Perform(builder.GetImpl().document,
                                   TColStd_IndexedDataMapOfStringString(),
                                   Message_ProgressRange()));
        return path;
    }

    // Reads with a fresh settings dictionary in `unit`.
    std::shared_ptr<TopoShape> Open(const std::string& path, const char* unit = "mm")
    {
        ParameterDict settings;
        ImportSettingsModel(&settings).SetModelUnit(unit);
        return ShapeIO::Open(path, &settings);
    }

    TempDir myDir;
};

TEST_F(ShapeIOTest, StepAndIgesGiveWhatTheirTranslatorsGive)
{
    const TopoDS_Shape box = MakeBox(10, 20, 30);
    const std::string step = WriteStep(box, "box.step");
    const std::string iges = WriteIges(box, "box.igs");

    STEPControl_Reader stepReader;
    ASSERT_EQ(stepReader.ReadFile(step.c_str()), IFSelect_RetDone);
    stepReader.TransferRoots();
    const TopoDS_Shape stepDirect = stepReader.OneShape();
    IGESControl_Reader igesReader;
    ASSERT_EQ(igesReader.ReadFile(iges.c_str()), IFSelect_RetDone);
    igesReader.TransferRoots();
    const TopoDS_Shape igesDirect = igesReader.OneShape();

    for (const auto& [path, direct] :
         {std::make_pair(step, stepDirect), std::make_pair(iges, igesDirect)}) {
        const std::shared_ptr<TopoShape> shape = Open(path);
        ASSERT_TRUE(shape) << path;
        EXPECT_EQ(shape->GetImpl().ShapeType(), direct.ShapeType()) << path;
        EXPECT_EQ(shape->CountChildren(TopoShapeFace), 6) << path;
        EXPECT_EQ(shape->CountChildren(TopoShapeSolid), 1) << path;
        EXPECT_TRUE(ExtentsNear(shape->GetImpl(), 10, 20, 30, 1e-3)) << path;
    }
}

TEST_F(ShapeIOTest, StepAndIgesAreReadInTheModelUnit)
{
    // A file in metres read in millimetres and the other way round.
    const std::string metres = WriteStepInMetres(MakeBox(1, 2, 3), "metres.step");
    std::shared_ptr<TopoShape> shape = Open(metres, "mm");
    ASSERT_TRUE(shape);
    EXPECT_TRUE(ExtentsNear(shape->GetImpl(), 1000, 2000, 3000, 1e-2));
    shape = Open(metres, "m");
    ASSERT_TRUE(shape);
    EXPECT_TRUE(ExtentsNear(shape->GetImpl(), 1, 2, 3, 1e-5));

    const std::string millimetres = WriteIges(MakeBox(10, 20, 30), "millimetres.igs");
    shape = Open(millimetres, "cm");
    ASSERT_TRUE(shape);
    EXPECT_TRUE(ExtentsNear(shape->GetImpl(), 1, 2, 3, 1e-5));

    // Without a dictionary the model unit is the default, millimetres.
    shape = ShapeIO::Open(metres, nullptr);
    ASSERT_TRUE(shape);
    EXPECT_TRUE(ExtentsNear(shape->GetImpl(), 1000, 2000, 3000, 1e-2));

    // The translators' process-wide unit is left as it was found.
    const std::string before = Interface_Static::CVal("xstep.cascade.unit");
    ASSERT_TRUE(Open(metres, "in"));
    EXPECT_EQ(std::string(Interface_Static::CVal("xstep.cascade.unit")), before);
}

TEST_F(ShapeIOTest, BrepComesBackAsWritten)
{
    TopoDS_Shape cylinder = MakeCylinder(2, 5);
    const std::string path = myDir.File("cylinder.brep");
    ASSERT_TRUE(BRepTools::Write(cylinder, path.c_str()));
    // BREP has no unit: the model unit changes nothing.
    const std::shared_ptr<TopoShape> shape = Open(path, "m");
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->GetShapeType(), TopoShapeSolid);
    EXPECT_EQ(shape->CountChildren(TopoShapeFace), 3);
    EXPECT_TRUE(ExtentsNear(shape->GetImpl(), 4, 4, 5, 1e-6));
}

TEST_F(ShapeIOTest, StlIsOneFaceHoldingEveryTriangle)
{
    const TopoDS_Shape cylinder = MakeCylinder(10, 20);
    for (const bool ascii : {true, false}) {
        const std::string path = WriteStl(cylinder, ascii ? "ascii.stl" : "binary.stl", ascii);
        const int written = CountTriangles(cylinder);
        ASSERT_GT(written, 50) << path;
        const std::shared_ptr<TopoShape> shape = Open(path, "m");
        ASSERT_TRUE(shape) << path;
        EXPECT_EQ(shape->GetShapeType(), TopoShapeFace) << path;
        EXPECT_EQ(CountTriangles(shape->GetImpl()), written) << path;
        // STL has no unit: coordinates are kept whatever the model unit. (Both boxes are those
        // of the mesh's nodes.)
        const Extents mesh = ExtentsOf(cylinder);
        EXPECT_TRUE(ExtentsNear(shape->GetImpl(), mesh.x, mesh.y, mesh.z, 1e-4)) << path;
    }
}

TEST_F(ShapeIOTest, ObjGivesOneFacePerObjectAndKeepsItsCoordinates)
{
    const std::string path = myDir.Write("two.obj", "# a square and a triangle\n"
                                                    "o square\n"
                                                    "v 0 0 0\nv 4 0 0\nv 4 2 0\nv 0 2 0\n"
                                                    "f 1 2 3 4\n"
                                                    "o triangle\n"
                                                    "v 0 0 3\nv 4 0 3\nv 0 2 3\n"
                                                    "f 5 6 7\n");
    for (const char* unit : {"mm", "m"}) {
        const std::shared_ptr<TopoShape> shape = Open(path, unit);
        ASSERT_TRUE(shape) << unit;
        EXPECT_EQ(shape->GetShapeType(), TopoShapeCompound) << unit;
        EXPECT_EQ(shape->CountChildren(TopoShapeFace), 2) << unit;
        EXPECT_EQ(CountTriangles(shape->GetImpl()), 3) << unit;
        EXPECT_TRUE(ExtentsNear(shape->GetImpl(), 4, 2, 3, 1e-6)) << unit;
    }
}

TEST_F(ShapeIOTest, GltfIsScaledFromMetresIntoTheModelUnitWithZUp)
{
    const TopoDS_Shape box = MakeBox(10, 20, 30);
    for (const bool binary : {true, false}) {
        const std::string path = WriteGltf(box, binary ? "box.glb" : "box.gltf", binary);
        std::shared_ptr<TopoShape> shape = Open(path, "mm");
        ASSERT_TRUE(shape) << path;
        EXPECT_EQ(CountTriangles(shape->GetImpl()), 12) << path;
        EXPECT_TRUE(ExtentsNear(shape->GetImpl(), 10, 20, 30, 1e-3)) << path;
        shape = Open(path, "m");
        ASSERT_TRUE(shape) << path;
        EXPECT_TRUE(ExtentsNear(shape->GetImpl(), 0.01, 0.02, 0.03, 1e-6)) << path;
    }
}

TEST_F(ShapeIOTest, ExtensionsAreMatchedWhateverTheirCase)
{
    const TopoDS_Shape box = MakeBox(1, 1, 1);
    const std::string stl = WriteStl(box, "BOX.STL", false);
    const std::string step = WriteStep(box, "Box.StP");
    std::shared_ptr<TopoShape> shape = Open(stl);
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->GetShapeType(), TopoShapeFace);
    shape = Open(step);
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->GetShapeType(), TopoShapeSolid);
}

TEST_F(ShapeIOTest, ListsEveryFormatWithItsPatterns)
{
    std::unordered_map<std::string, std::string> formats;
    ShapeExchangeManager::Instance().ListReaderFormats(formats);
    const std::unordered_map<std::string, std::string> expected = {
        {"STEP Files", "*.step *.stp"}, {"IGES Files", "*.iges *.igs"},
        {"BREP Files", "*.brep *.brp"}, {"STL Files", "*.stl"},
        {"OBJ Files", "*.obj"},         {"glTF Files", "*.gltf *.glb"},
    };
    EXPECT_EQ(formats, expected);
}

TEST_F(ShapeIOTest, PostprocessGetsTheSameSettingsAndItsShapeIsReturned)
{
    const std::string path = WriteStep(MakeBox(1, 2, 3), "box.step");
    int calls = 0;
    ParameterDict* received = nullptr;
    std::shared_ptr<TopoShape> readShape;
    const std::shared_ptr<TopoShape> reply = TopoShape::Create(MakeCylinder(1, 1));
    ShapeExchangeManager::Instance().SetPostprocess(std::make_unique<RecordingPostprocess>(
        RecordingPostprocess::Answer::Replace, &calls, &received, &readShape, reply));

    ParameterDict settings;
    const std::shared_ptr<TopoShape> shape = ShapeIO::Open(path, &settings);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(received, &settings);
    ASSERT_TRUE(readShape);
    EXPECT_EQ(readShape->GetShapeType(), TopoShapeSolid);
    EXPECT_TRUE(ExtentsNear(readShape->GetImpl(), 1, 2, 3, 1e-5));
    EXPECT_EQ(shape, reply);

    // A null dictionary is handed over as it is.
    received = &settings;
    EXPECT_EQ(ShapeIO::Open(path, nullptr), reply);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(received, nullptr);

    // A failed read never reaches the post-process.
    EXPECT_FALSE(ShapeIO::Open(myDir.File("missing.step"), &settings));
    EXPECT_EQ(calls, 2);
}

TEST_F(ShapeIOTest, FailedOrEmptyRepairKeepsTheShapeAsRead)
{
    const std::string path = WriteStep(MakeBox(1, 2, 3), "box.step");
    for (const auto answer :
         {RecordingPostprocess::Answer::Nothing, RecordingPostprocess::Answer::Throw}) {
        int calls = 0;
        ParameterDict* received = nullptr;
        std::shared_ptr<TopoShape> readShape;
        ShapeExchangeManager::Instance().SetPostprocess(
            std::make_unique<RecordingPostprocess>(answer, &calls, &received, &readShape, nullptr));
        ScopedLogCapture log;
        std::shared_ptr<TopoShape> shape;
        EXPECT_NO_THROW(shape = ShapeIO::Open(path, nullptr));
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(shape, readShape);
        const std::vector<LogRecord> reasons = Reasons(log);
        ASSERT_EQ(reasons.size(), 1u);
        EXPECT_EQ(reasons[0].level, 3);
        EXPECT_NE(reasons[0].text.find(path), std::string::npos) << reasons[0].text;
        if (answer == RecordingPostprocess::Answer::Throw) {
            EXPECT_NE(reasons[0].text.find("repair exploded"), std::string::npos);
        }
    }
}

// The one catch of the exchange layer, behind the messages of the reads, repairs and writes:
// what each kind of exception becomes, and that a guard for OpenCASCADE's failures alone lets
// the others on to the caller, as the kernel's reads need.
TEST(CaughtFailureTest, NamesWhatWasThrownAndPassesOnWhatItIsNotToCatch)
{
    const auto occt = CaughtFailure::Guard([] { throw Standard_DomainError("bad domain"); });
    ASSERT_TRUE(occt);
    EXPECT_EQ(occt->kind, CaughtFailure::OcctFailure);
    EXPECT_FALSE(occt->fault);
    EXPECT_EQ(occt->Describe(), "Standard_DomainError: bad domain");
    const auto standard = CaughtFailure::Guard([] { throw std::out_of_range("index 7"); });
    ASSERT_TRUE(standard);
    EXPECT_EQ(standard->kind, CaughtFailure::StandardException);
    EXPECT_EQ(standard->Describe(), "std::out_of_range: index 7");
    const auto unknown = CaughtFailure::Guard([] { throw 42; });
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->Describe(), "unknown exception");
    EXPECT_FALSE(CaughtFailure::Guard([] {}));

    EXPECT_TRUE(
        CaughtFailure::Guard([] { throw Standard_DomainError("x"); }, CaughtFailure::OcctOnly));
    EXPECT_THROW(CaughtFailure::Guard([] { throw std::bad_alloc(); }, CaughtFailure::OcctOnly),
                 std::bad_alloc);
    EXPECT_THROW(CaughtFailure::Guard([] { throw 42; }, CaughtFailure::OcctOnly), int);
    EXPECT_TRUE(
        CaughtFailure::Guard([] { throw std::bad_alloc(); }, CaughtFailure::OcctAndStandard));
    EXPECT_THROW(CaughtFailure::Guard([] { throw 42; }, CaughtFailure::OcctAndStandard), int);
}

TEST_F(ShapeIOTest, UnreadableFilesGiveNullAndOneReasonNamingTheFile)
{
    const std::string box = WriteStep(MakeBox(1, 2, 3), "box.step");
    const std::string stepText = ReadWholeFile(box);
    const std::string binaryStl = ReadWholeFile(WriteStl(MakeBox(1, 2, 3), "box.stl", false));
    const std::string igesText = ReadWholeFile(WriteIges(MakeCylinder(1, 2), "cylinder.igs"));
    fs::create_directory(myDir.File("folder.step"));
    const std::string garbage = "this is not a model file\n\x01\x02\x03 at all\n";

    std::vector<std::pair<std::string, std::string>> cases = {
        {myDir.File("missing.step"), "no such file"},
        {myDir.Write("empty.stl", ""), "empty file"},
        {myDir.File("folder.step"), "not a regular file"},
        {myDir.Write("box.xyz", stepText), "'.xyz'"},
        {myDir.Write("box", stepText), "no extension"},
        {myDir.Write("cut.stl", binaryStl.substr(0, binaryStl.size() / 2)), "STL"},
        {myDir.Write("cut.step", stepText.substr(0, stepText.size() / 3)), "STEP"},
        {myDir.Write("cut.igs", igesText.substr(0, igesText.size() * 2 / 3)), "cut short"},
        {myDir.Write("cut.glb",
                     ReadWholeFile(WriteGltf(MakeBox(1, 2, 3), "box.glb", true)).substr(0, 300)),
         "glTF"},
    };
    // BRepTools loops on a stream that has failed: files cut inside the shape section too
    // must end the read.
    const std::string brepPath = myDir.File("box.brep");
    ASSERT_TRUE(BRepTools::Write(MakeBox(1, 2, 3), brepPath.c_str()));
    const std::string brep = ReadWholeFile(brepPath);
    for (const double fraction : {0.1, 0.43, 0.59, 0.69, 0.95}) {
        const size_t size = static_cast<size_t>(fraction * static_cast<double>(brep.size()));
        cases.emplace_back(
            myDir.Write("cut" + std::to_string(size) + ".brep", brep.substr(0, size)), "BREP");
    }
    for (const char* extension :
         {".step", ".stp", ".iges", ".igs", ".brep", ".brp", ".stl", ".obj", ".gltf", ".glb"}) {
        cases.emplace_back(myDir.Write(std::string("garbage") + extension, garbage), "");
    }
    ParameterDict unknownUnit;
    ImportSettingsModel(&unknownUnit).SetModelUnit("furlong");

    for (const auto& [path, because] : cases) {
        ScopedLogCapture log;
        std::shared_ptr<TopoShape> shape;
        EXPECT_NO_THROW(shape = ShapeIO::Open(path, nullptr)) << path;
        EXPECT_FALSE(shape) << path;
        const std::vector<LogRecord> reasons = Reasons(log);
        ASSERT_EQ(reasons.size(), 1u) << path;
        EXPECT_EQ(reasons[0].level, 4) << path;
        EXPECT_NE(reasons[0].text.find(path), std::string::npos) << reasons[0].text;
        EXPECT_NE(reasons[0].text.find(because), std::string::npos) << reasons[0].text;
    }
    {
        ScopedLogCapture log;
        EXPECT_FALSE(ShapeIO::Open(box, &unknownUnit));
        const std::vector<LogRecord> reasons = Reasons(log);
        ASSERT_EQ(reasons.size(), 1u);
        EXPECT_NE(reasons[0].text.find("furlong"), std::string::npos) << reasons[0].text;
    }
}

TEST_F(ShapeIOTest, UnknownExtensionListsWhatIsReadable)
{
    const std::string path = myDir.Write("model.Xyz", "anything");
    ScopedLogCapture log;
    EXPECT_FALSE(Open(path));
    const std::vector<LogRecord> reasons = Reasons(log);
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_EQ(reasons[0].text, "Cannot open file: " + path +
                                   " (no reader takes the extension '.Xyz'; readable: *.brep "
                                   "*.brp *.iges *.igs *.obj *.step *.stp *.stl *.gltf *.glb)");
}

} // namespace
