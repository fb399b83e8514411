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
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <IGESControl_Controller.hxx>
#include <IGESControl_Writer.hxx>
#include <Interface_Static.hxx>
#include <Message_ProgressRange.hxx>
#include <Poly_Triangulation.hxx>
#include <RWGltf_CafWriter.hxx>
#include <STEPControl_Writer.hxx>
#include <Standard_DomainError.hxx>
#include <Standard_Failure.hxx>
#include <StlAPI_Writer.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <filesystem>
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

// Exactly one reason: at `level`, naming the file and saying `because`.
::testing::AssertionResult OneReason(const ScopedLogCapture& log, int level,
                                     const std::string& path, const std::string& because)
{
    const std::vector<LogRecord> reasons = Reasons(log);
    if (reasons.size() != 1) {
        return ::testing::AssertionFailure() << reasons.size() << " reasons";
    }
    if (reasons[0].level != level || reasons[0].text.find(path) == std::string::npos ||
        reasons[0].text.find(because) == std::string::npos) {
        return ::testing::AssertionFailure()
               << "level " << reasons[0].level << ": " << reasons[0].text;
    }
    return ::testing::AssertionSuccess();
}

// What the reader handed the post-process, and how often.
struct Handed {
    int calls = 0;
    ParameterDict* settings = nullptr;
    std::shared_ptr<TopoShape> shape;
};

// Keeps what the reader handed over and answers with a shape of its own, or with nothing, or
// with an exception.
class RecordingPostprocess : public ShapeReaderPostprocess {
public:
    enum class Answer { Replace, Nothing, Throw };

    RecordingPostprocess(Answer answer, Handed* handed, std::shared_ptr<TopoShape> reply = {})
        : myAnswer(answer), myHanded(handed), myReply(std::move(reply))
    {
    }

    std::shared_ptr<TopoShape> Process(const std::shared_ptr<TopoShape>& shape,
                                       ParameterDict* settings) override
    {
        *myHanded = {myHanded->calls + 1, settings, shape};
        if (myAnswer == Answer::Throw) {
            throw Standard_Failure("repair exploded");
        }
        return myAnswer == Answer::Replace ? myReply : nullptr;
    }

private:
    Answer myAnswer;
    Handed* myHanded;
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

TEST_F(ShapeIOTest, StepReadLeavesTheTranslatorUnitAsItWasFound)
{
    const std::string metres = WriteStepInMetres(MakeBox(1, 2, 3), "metres.step");
    const std::string before = Interface_Static::CVal("xstep.cascade.unit");
    ASSERT_TRUE(Open(metres, "in"));
    EXPECT_EQ(std::string(Interface_Static::CVal("xstep.cascade.unit")), before);
}

// STEP and IGES are scaled from their own unit into the model unit (a file in metres read in
// millimetres and the other way round). BREP, STL and OBJ have no unit: their coordinates are
// kept whatever the model unit. glTF is in metres with Z up and is scaled into the model unit.
// Without settings the model unit is the default, millimetres. A mesh file gives faces holding
// every triangle, one face per OBJ object and per face glTF was written from.
TEST_F(ShapeIOTest, EachFormatGivesItsShapeInTheModelUnit)
{
    const TopoDS_Shape box = MakeBox(10, 20, 30);
    // Extensions are matched whatever their case.
    const std::string step = WriteStep(box, "box.StP");
    const std::string iges = WriteIges(box, "box.igs");
    const std::string metres = WriteStepInMetres(MakeBox(1, 2, 3), "metres.step");
    const TopoDS_Shape cylinder = MakeCylinder(10, 20);
    const std::string brep = myDir.File("cylinder.brep");
    ASSERT_TRUE(BRepTools::Write(MakeCylinder(2, 5), brep.c_str()));
    const std::string asciiStl = WriteStl(cylinder, "ascii.stl", true);
    const std::string binaryStl = WriteStl(cylinder, "BINARY.STL", false);
    const int written = CountTriangles(cylinder);
    ASSERT_GT(written, 50);
    // Both boxes are those of the mesh's nodes.
    const Extents mesh = ExtentsOf(cylinder);
    const std::string obj = myDir.Write("two.obj", "# a square and a triangle\n"
                                                   "o square\n"
                                                   "v 0 0 0\nv 4 0 0\nv 4 2 0\nv 0 2 0\n"
                                                   "f 1 2 3 4\n"
                                                   "o triangle\n"
                                                   "v 0 0 3\nv 4 0 3\nv 0 2 3\n"
                                                   "f 5 6 7\n");
    const std::string glb = WriteGltf(box, "box.glb", true);
    const std::string gltf = WriteGltf(box, "box.gltf", false);
    struct Case {
        std::string path;
        const char* unit;
        EnumTopoShapeType type;
        int solids;
        int faces;
        int triangles;
        Extents extents;
        double tolerance;
    };
    const Case cases[] = {
        {step, "mm", TopoShapeSolid, 1, 6, 0, {10, 20, 30}, 1e-3},
        {iges, "mm", TopoShapeSolid, 1, 6, 0, {10, 20, 30}, 1e-3},
        {iges, "cm", TopoShapeSolid, 1, 6, 0, {1, 2, 3}, 1e-5},
        {metres, "mm", TopoShapeSolid, 1, 6, 0, {1000, 2000, 3000}, 1e-2},
        {metres, "m", TopoShapeSolid, 1, 6, 0, {1, 2, 3}, 1e-5},
        {metres, nullptr, TopoShapeSolid, 1, 6, 0, {1000, 2000, 3000}, 1e-2},
        {brep, "m", TopoShapeSolid, 1, 3, 0, {4, 4, 5}, 1e-6},
        {asciiStl, "m", TopoShapeFace, 0, 1, written, mesh, 1e-4},
        {binaryStl, "m", TopoShapeFace, 0, 1, written, mesh, 1e-4},
        {obj, "mm", TopoShapeCompound, 0, 2, 3, {4, 2, 3}, 1e-6},
        {obj, "m", TopoShapeCompound, 0, 2, 3, {4, 2, 3}, 1e-6},
        {glb, "mm", TopoShapeCompound, 0, 6, 12, {10, 20, 30}, 1e-3},
        {glb, "m", TopoShapeCompound, 0, 6, 12, {0.01, 0.02, 0.03}, 1e-6},
        {gltf, "mm", TopoShapeCompound, 0, 6, 12, {10, 20, 30}, 1e-3},
        {gltf, "m", TopoShapeCompound, 0, 6, 12, {0.01, 0.02, 0.03}, 1e-6},
    };
    for (const Case& c : cases) {
        const std::string name = c.path + " in " + (c.unit ? c.unit : "no settings");
        const std::shared_ptr<TopoShape> shape =
            c.unit ? Open(c.path, c.unit) : ShapeIO::Open(c.path, nullptr);
        ASSERT_TRUE(shape) << name;
        EXPECT_EQ(shape->GetShapeType(), c.type) << name;
        EXPECT_EQ(shape->CountChildren(TopoShapeSolid), c.solids) << name;
        EXPECT_EQ(shape->CountChildren(TopoShapeFace), c.faces) << name;
        EXPECT_EQ(CountTriangles(shape->GetImpl()), c.triangles) << name;
        const Extents& e = c.extents;
        EXPECT_TRUE(ExtentsNear(shape->GetImpl(), e.x, e.y, e.z, c.tolerance)) << name;
    }
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
    Handed handed;
    const std::shared_ptr<TopoShape> reply = TopoShape::Create(MakeCylinder(1, 1));
    ShapeExchangeManager::Instance().SetPostprocess(std::make_unique<RecordingPostprocess>(
        RecordingPostprocess::Answer::Replace, &handed, reply));

    ParameterDict settings;
    EXPECT_EQ(ShapeIO::Open(path, &settings), reply);
    EXPECT_EQ(handed.calls, 1);
    EXPECT_EQ(handed.settings, &settings);
    ASSERT_TRUE(handed.shape);
    EXPECT_EQ(handed.shape->GetShapeType(), TopoShapeSolid);
    EXPECT_TRUE(ExtentsNear(handed.shape->GetImpl(), 1, 2, 3, 1e-5));

    // A null dictionary is handed over as it is.
    EXPECT_EQ(ShapeIO::Open(path, nullptr), reply);
    EXPECT_EQ(handed.calls, 2);
    EXPECT_EQ(handed.settings, nullptr);

    // A failed read never reaches the post-process.
    EXPECT_FALSE(ShapeIO::Open(myDir.File("missing.step"), &settings));
    EXPECT_EQ(handed.calls, 2);
}

TEST_F(ShapeIOTest, FailedOrEmptyRepairKeepsTheShapeAsRead)
{
    const std::string path = WriteStep(MakeBox(1, 2, 3), "box.step");
    for (const auto answer :
         {RecordingPostprocess::Answer::Nothing, RecordingPostprocess::Answer::Throw}) {
        Handed handed;
        ShapeExchangeManager::Instance().SetPostprocess(
            std::make_unique<RecordingPostprocess>(answer, &handed));
        ScopedLogCapture log;
        std::shared_ptr<TopoShape> shape;
        EXPECT_NO_THROW(shape = ShapeIO::Open(path, nullptr));
        EXPECT_EQ(handed.calls, 1);
        EXPECT_EQ(shape, handed.shape);
        const bool threw = answer == RecordingPostprocess::Answer::Throw;
        EXPECT_TRUE(OneReason(log, 3, path, threw ? "repair exploded" : ""));
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
        EXPECT_TRUE(OneReason(log, 4, path, because)) << path;
    }
    const ScopedLogCapture log;
    EXPECT_FALSE(ShapeIO::Open(box, &unknownUnit));
    EXPECT_TRUE(OneReason(log, 4, box, "furlong"));
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
