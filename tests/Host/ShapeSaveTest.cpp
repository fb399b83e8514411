// The generic shape writer: every format written through ShapeIO::Save and read back with
// OpenCASCADE's own readers, the bytes of STL, units and axes, and failures that must leave
// the folder as it was; a shape written alone and as a model of one part come out alike. Also
// the replacing write underneath, driven directly.
#include "Support/TestSupport.h"

#include "Common/Core/ParameterDict.h"
#include "Common/Core/WriteTime.h"
#include "Geometry/IO/CafShapeWriter.h"
#include "Geometry/IO/ExportMeshing.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ReplacingWrite.h"
#include "Geometry/IO/ShapeIO.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Interop/Kernel/XdeModelWriter.h"

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <IGESControl_Reader.hxx>
#include <Interface_Static.hxx>
#include <Message_ProgressRange.hxx>
#include <Poly_Triangulation.hxx>
#include <RWGltf_CafReader.hxx>
#include <RWObj_CafReader.hxx>
#include <RWStl.hxx>
#include <STEPControl_Controller.hxx>
#include <STEPControl_Reader.hxx>
#include <Standard_Failure.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Wire.hxx>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

using namespace orvkit;
using namespace orvtest;

namespace {

namespace fs = std::filesystem;

// The 1 x 2 x 3 box, placed at (10, 20, 30) by a location as an assembly would place it.
TopoDS_Shape PlacedBox()
{
    return MakeBox(1, 2, 3).Moved(TopLoc_Location(Translation(10, 20, 30)));
}

// The box and a cylinder (curved faces, so that meshing matters): 2 solids, 9 faces.
TopoDS_Shape BoxAndCylinder()
{
    return MakeCompound(
        {PlacedBox(), MakeCylinder(1, 2).Moved(TopLoc_Location(Translation(20, 20, 30)))});
}

TopoDS_Shape CurvelessEdge()
{
    TopoDS_Edge edge;
    BRep_Builder().MakeEdge(edge);
    return edge;
}

// A solid whose one face is bounded by an edge without a curve: the STEP translator cannot
// take it, and the IGES translator throws on it.
TopoDS_Shape SolidWithCurvelessEdge()
{
    BRep_Builder builder;
    TopoDS_Wire wire;
    builder.MakeWire(wire);
    builder.Add(wire, CurvelessEdge());
    TopoDS_Face face;
    builder.MakeFace(face);
    builder.Add(face, wire);
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    builder.Add(shell, face);
    TopoDS_Solid solid;
    builder.MakeSolid(solid);
    builder.Add(solid, shell);
    return solid;
}

Bnd_Box BoxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::AddOptimal(shape, box, Standard_True, Standard_False);
    return box;
}

Bnd_Box Corners(double x0, double y0, double z0, double x1, double y1, double z1)
{
    Bnd_Box box;
    box.Update(x0, y0, z0, x1, y1, z1);
    return box;
}

::testing::AssertionResult SameBox(const TopoDS_Shape& actual, const Bnd_Box& expected,
                                   double tolerance)
{
    const Bnd_Box box = BoxOf(actual);
    if (!actual.IsNull() && box.CornerMin().Distance(expected.CornerMin()) <= tolerance &&
        box.CornerMax().Distance(expected.CornerMax()) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    auto text = [](const gp_Pnt& p) {
        return " (" + std::to_string(p.X()) + ", " + std::to_string(p.Y()) + ", " +
               std::to_string(p.Z()) + ")";
    };
    return ::testing::AssertionFailure()
           << (actual.IsNull() ? "null shape" : "box") << text(box.CornerMin())
           << text(box.CornerMax()) << ", expected" << text(expected.CornerMin())
           << text(expected.CornerMax());
}

// The file's roots through one of OpenCASCADE's translators, in millimetres.
template <class Reader> TopoDS_Shape ReadTranslated(const std::string& path)
{
    Reader reader;
    StaticSettingsScope scope;
    scope.SetText("xstep.cascade.unit", "MM");
    reader.ReadFile(path.c_str());
    reader.TransferRoots();
    return reader.OneShape();
}

const auto ReadStep = &ReadTranslated<STEPControl_Reader>;
const auto ReadIges = &ReadTranslated<IGESControl_Reader>;

TopoDS_Shape ReadBrep(const std::string& path)
{
    TopoDS_Shape shape;
    BRepTools::Read(shape, path.c_str(), BRep_Builder());
    return shape;
}

TopoDS_Shape ReadStl(const std::string& path)
{
    const Handle(Poly_Triangulation) mesh = RWStl::ReadFile(path.c_str());
    TopoDS_Face face;
    if (!mesh.IsNull()) {
        BRep_Builder().MakeFace(face, mesh);
    }
    return face;
}

// The file's meshes; with a reader left as made, their coordinates are as stored.
TopoDS_Shape ReadMesh(RWMesh_CafReader&& reader, const std::string& path)
{
    return reader.Perform(path.c_str(), Message_ProgressRange()) ? reader.SingleShape()
                                                                 : TopoDS_Shape();
}

bool HasTriangulation(const TopoDS_Shape& shape)
{
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        if (!BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location).IsNull()) {
            return true;
        }
    }
    return false;
}

// Exactly one record at level 3 or above: at level 3, naming the file and saying `because`,
// with nothing from OpenCASCADE before it.
::testing::AssertionResult OneReason(const ScopedLogCapture& log, const std::string& path,
                                     const std::string& because)
{
    std::vector<std::string> reasons;
    for (const LogRecord& record : log->GetRecords()) {
        if (record.level == 3 && record.text.find(path) != std::string::npos &&
            record.text.find(because) != std::string::npos) {
            reasons.push_back(record.text);
        } else if (record.level >= 3 || (reasons.empty() && record.text.rfind("OCCT:", 0) == 0)) {
            return ::testing::AssertionFailure() << "level " << record.level << ": " << record.text;
        }
    }
    if (reasons.size() != 1) {
        return ::testing::AssertionFailure() << reasons.size() << " reasons";
    }
    return ::testing::AssertionSuccess();
}

// Every triangle of the shape's meshes as its three corners, placed, face by face in the
// shape's order: the same triangles written twice read back alike.
std::vector<gp_Pnt> TriangleCorners(const TopoDS_Shape& shape)
{
    std::vector<gp_Pnt> corners;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation) mesh =
            BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
        for (int t = 1; !mesh.IsNull() && t <= mesh->NbTriangles(); ++t) {
            int nodes[3];
            mesh->Triangle(t).Get(nodes[0], nodes[1], nodes[2]);
            for (const int node : nodes) {
                corners.push_back(mesh->Node(node).Transformed(location.Transformation()));
            }
        }
    }
    return corners;
}

::testing::AssertionResult SameTriangles(const TopoDS_Shape& first, const TopoDS_Shape& second)
{
    const std::vector<gp_Pnt> a = TriangleCorners(first);
    const std::vector<gp_Pnt> b = TriangleCorners(second);
    if (a.empty() || a.size() != b.size()) {
        return ::testing::AssertionFailure()
               << a.size() / 3 << " triangles against " << b.size() / 3;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (!a[i].IsEqual(b[i], 0.0)) {
            return ::testing::AssertionFailure()
                   << "triangle " << i / 3 << " of " << a.size() / 3 << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

// A kernel model of the shape as its one part, as a read of a file holding it would leave it.
XdeDocumentImpl& OnePartModel(XcafBuilder& builder, const TopoDS_Shape& shape)
{
    builder.AddPart("part", shape);
    builder.Finish();
    XdeDocumentImpl& impl = builder.GetImpl();
    impl.shapeTool->GetFreeShapes(impl.freeShapes);
    return impl;
}

// A kernel model of `count` boxes, each a free part with a name and a colour of its own, made
// anew at each call. The STEP writer presents the colours and the IGES writer names the parts
// walking maps keyed by where the shapes lie in memory.
XdeDocumentImpl& ColouredPartsModel(XcafBuilder& builder, int count)
{
    for (int i = 0; i < count; ++i) {
        const TDF_Label part = builder.AddPart("part" + std::to_string(i), MakeBox(1.0 + i, 1, 1));
        builder.SetColor(part, Quantity_Color(i / double(count), 0.5, 0.25, Quantity_TOC_RGB));
    }
    builder.Finish();
    XdeDocumentImpl& impl = builder.GetImpl();
    impl.shapeTool->GetFreeShapes(impl.freeShapes);
    return impl;
}

// Sets an environment variable while it lives, then puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : myName(name)
    {
        if (const char* old = std::getenv(name)) {
            myOld = old;
        }
        ::setenv(name, value, 1);
    }
    ~ScopedEnvironment()
    {
        if (myOld) {
            ::setenv(myName, myOld->c_str(), 1);
        } else {
            ::unsetenv(myName);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* myName;
    std::optional<std::string> myOld;
};

// The time stamp of a STEP file's header; empty when it has none.
std::string StepTimeStamp(const std::string& text)
{
    const std::string before = "FILE_NAME('Open CASCADE Shape Model','";
    const size_t at = text.find(before);
    return at == std::string::npos ? std::string() : text.substr(at + before.size(), 19);
}

// The current local time as a STEP header writes it.
std::string LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

class ShapeSaveTest : public ::testing::Test {
protected:
    // Every name in the test folder, sub-folders included, with the bytes of each file.
    std::map<std::string, std::string> Snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(myDir.GetPath())) {
            files[fs::relative(entry.path(), myDir.GetPath()).string()] =
                entry.is_directory() ? "(folder)" : ReadWholeFile(entry.path().string());
        }
        return files;
    }

    std::string Save(const TopoDS_Shape& shape, const std::string& name,
                     ParameterDict* settings = nullptr)
    {
        const std::string path = myDir.File(name);
        EXPECT_TRUE(ShapeIO::Save(TopoShape::Create(shape), path, settings)) << path;
        return path;
    }

    // The shape written by the kernel's model writer, as the one part of a model. The model
    // gets a copy: the writer meshes its document's faces, which would otherwise be the
    // caller's, and a shape meshed once keeps its triangles when it is written again.
    std::string SaveAsModel(const TopoDS_Shape& shape, const std::string& name,
                            const XdeWriteOptions& options = {})
    {
        const std::string path = myDir.File(name);
        XcafBuilder builder;
        const XdeWriteResult result = XdeModelWriter::Save(
            path, OnePartModel(builder, BRepBuilderAPI_Copy(shape).Shape()), options);
        EXPECT_TRUE(result) << path << ": " << result.failure;
        return path;
    }

    TempDir myDir;
};

TEST_F(ShapeSaveTest, ExactFormatsComeBackWithTheSameSolidsFacesAndBox)
{
    // The translators' parameters are process-wide: Save must set what it relies on, whatever
    // an earlier caller left, and put it back.
    STEPControl_Controller::Init();
    StaticSettingsScope leftBehind;
    leftBehind.SetText("write.step.schema", "AP203");
    leftBehind.SetText("xstep.cascade.unit", "M");

    // Writers are found by extension whatever its case.
    const std::vector<std::pair<std::string, TopoDS_Shape (*)(const std::string&)>> formats = {
        {"step", ReadStep}, {"STP", ReadStep},  {"iges", ReadIges},
        {"igs", ReadIges},  {"BRep", ReadBrep}, {"brp", ReadBrep}};
    for (const auto& [extension, read] : formats) {
        for (const auto& [shape, solids, faces] :
             {std::make_tuple(PlacedBox(), 1, 6), std::make_tuple(BoxAndCylinder(), 2, 9)}) {
            const std::string path =
                Save(shape, "shape" + std::to_string(solids) + "." + extension);
            const TopoShape readBack(read(path));
            EXPECT_EQ(readBack.CountChildren(TopoShapeSolid), solids) << path;
            EXPECT_EQ(readBack.CountChildren(TopoShapeFace), faces) << path;
            EXPECT_TRUE(SameBox(readBack.GetImpl(), BoxOf(shape), 1e-4)) << path;
        }
    }
    const std::string step = ReadWholeFile(myDir.File("shape1.step"));
    EXPECT_NE(step.find("FILE_SCHEMA(('AUTOMOTIVE_DESIGN"), std::string::npos);
    EXPECT_NE(step.find("SI_UNIT(.MILLI.,.METRE.)"), std::string::npos);
    EXPECT_NE(ReadWholeFile(myDir.File("shape1.igs")).find(",2HMM,"), std::string::npos);
    EXPECT_STREQ(Interface_Static::CVal("write.step.schema"), "AP203");
    EXPECT_STREQ(Interface_Static::CVal("xstep.cascade.unit"), "M");
}

TEST_F(ShapeSaveTest, MeshFormatsComeBackWithinTheDeflection)
{
    for (const TopoDS_Shape& shape : {PlacedBox(), BoxAndCylinder()}) {
        const double tolerance = ExportMeshing::GetLinearDeflection(shape) + 1e-5;
        const Bnd_Box expected = BoxOf(shape);
        const std::string stl = Save(shape, "shape.stl");
        EXPECT_TRUE(SameBox(ReadStl(stl), expected, tolerance)) << stl;
        const std::string obj = Save(shape, "shape.obj");
        EXPECT_TRUE(SameBox(ReadMesh(RWObj_CafReader(), obj), expected, tolerance)) << obj;
        // The glTF files are read as stored, so scale and axes are checked below, not here.
        for (const char* name : {"shape.GLB", "shape.gltf"}) {
            RWGltf_CafReader reader;
            reader.SetFileLengthUnit(1.0);
            reader.SetSystemLengthUnit(0.001);
            reader.SetFileCoordinateSystem(RWMesh_CoordinateSystem_glTF);
            reader.SetSystemCoordinateSystem(RWMesh_CoordinateSystem_Zup);
            EXPECT_TRUE(
                SameBox(ReadMesh(std::move(reader), Save(shape, name)), expected, tolerance))
                << name;
        }
        // The caller's shape is not meshed as a side effect.
        EXPECT_FALSE(HasTriangulation(shape));
    }
    // Binary glTF starts with its magic; text glTF carries its buffer inside, so that it is one
    // file like the others.
    EXPECT_EQ(ReadWholeFile(myDir.File("shape.GLB")).substr(0, 4), "glTF");
    EXPECT_NE(ReadWholeFile(myDir.File("shape.gltf"))
                  .find("\"uri\":\"data:application/octet-stream;base64,"),
              std::string::npos);
    EXPECT_EQ(Snapshot().size(), 4u) << "shape.stl .obj .GLB .gltf, nothing else";

    // A shape read from a mesh file has triangles and no surfaces; they are written as they are.
    const TopoDS_Shape mesh = ReadStl(myDir.File("shape.stl"));
    EXPECT_TRUE(SameBox(ReadMesh(RWObj_CafReader(), Save(mesh, "mesh.obj")), BoxOf(mesh), 1e-5));
}

TEST_F(ShapeSaveTest, GltfIsInMetresWithYUpAndTheModelUnitScalesEveryFormat)
{
    // As stored, Z-up millimetres (x, y, z) are Y-up metres (x, z, -y).
    const std::string glb = Save(PlacedBox(), "box.glb");
    EXPECT_TRUE(SameBox(ReadMesh(RWGltf_CafReader(), glb),
                        Corners(0.010, 0.030, -0.022, 0.011, 0.033, -0.020), 1e-6));

    // The same numbers taken as metres.
    ParameterDict metres;
    ImportSettingsModel(&metres).SetModelUnit("m");
    const Bnd_Box inMillimetres = Corners(10000, 20000, 30000, 11000, 22000, 33000);
    EXPECT_TRUE(SameBox(ReadMesh(RWGltf_CafReader(), Save(PlacedBox(), "m.glb", &metres)),
                        Corners(10, 30, -22, 11, 33, -20), 1e-5));
    EXPECT_TRUE(SameBox(ReadStep(Save(PlacedBox(), "m.step", &metres)), inMillimetres, 1e-2));
    EXPECT_TRUE(SameBox(ReadIges(Save(PlacedBox(), "m.igs", &metres)), inMillimetres, 1e-2));
    // Formats without a unit keep the numbers.
    EXPECT_TRUE(SameBox(ReadStl(Save(PlacedBox(), "m.stl", &metres)), BoxOf(PlacedBox()), 1e-5));
}

TEST_F(ShapeSaveTest, StlIsBinaryUnlessAsciiIsAsked)
{
    ParameterDict ascii;
    ascii.Add(CafShapeWriter::StlAsciiKey, ParameterCreator::Create(true));
    ParameterDict binary;
    binary.Add(CafShapeWriter::StlAsciiKey, ParameterCreator::Create(false));
    for (ParameterDict* settings : {static_cast<ParameterDict*>(nullptr), &binary}) {
        // An 80-byte header, the triangle count, then 50 bytes per triangle.
        const std::string bytes = ReadWholeFile(Save(PlacedBox(), "binary.stl", settings));
        ASSERT_GE(bytes.size(), 84u);
        uint32_t triangles = 0;
        std::memcpy(&triangles, bytes.data() + 80, sizeof triangles);
        EXPECT_EQ(triangles, 12u);
        EXPECT_EQ(bytes.size(), 84u + 50u * triangles);
    }
    const std::string path = Save(PlacedBox(), "ascii.stl", &ascii);
    const std::string text = ReadWholeFile(path);
    EXPECT_EQ(text.rfind("solid", 0), 0u);
    size_t facets = 0;
    for (size_t at = text.find("endfacet"); at != std::string::npos;
         at = text.find("endfacet", at + 1)) {
        ++facets;
    }
    EXPECT_EQ(facets, 12u);
    EXPECT_EQ(RWStl::ReadFile(path.c_str())->NbTriangles(), 12);
}

TEST_F(ShapeSaveTest, AShapeWrittenAloneAndAsAModelGivesTheSameTriangles)
{
    // A wide cylinder, whose triangles the linear deflection sets, and a thin one far smaller
    // than the shape, whose triangles the angle sets; placed, so that locations show too.
    const TopoDS_Shape shape =
        MakeCompound({MakeCylinder(50, 20).Moved(TopLoc_Location(Translation(0, 0, 10))),
                      MakeCylinder(1, 2).Moved(TopLoc_Location(Translation(80, 0, 0)))});
    EXPECT_TRUE(
        SameTriangles(ReadStl(Save(shape, "alone.stl")), ReadStl(SaveAsModel(shape, "model.stl"))));
    EXPECT_TRUE(SameTriangles(ReadMesh(RWGltf_CafReader(), Save(shape, "alone.glb")),
                              ReadMesh(RWGltf_CafReader(), SaveAsModel(shape, "model.glb"))));
    EXPECT_TRUE(SameTriangles(ReadMesh(RWObj_CafReader(), Save(shape, "alone.obj")),
                              ReadMesh(RWObj_CafReader(), SaveAsModel(shape, "model.obj"))));
}

TEST_F(ShapeSaveTest, StepAndIgesAreWrittenAlikeOnBothRoadsWhateverWasLeftBehind)
{
    // Another caller left the process-wide parameters set otherwise: metres and AP203. Both
    // roads set their own, so the box comes out in millimetres, in AP214, either way.
    STEPControl_Controller::Init();
    StaticSettingsScope leftBehind;
    leftBehind.SetText("write.step.schema", "AP203");
    leftBehind.SetText("xstep.cascade.unit", "M");
    for (const char* extension : {".step", ".igs"}) {
        const auto read = std::string(extension) == ".step" ? ReadStep : ReadIges;
        const std::string alone = Save(PlacedBox(), std::string("alone") + extension);
        const std::string model = SaveAsModel(PlacedBox(), std::string("model") + extension);
        EXPECT_TRUE(SameBox(read(alone), BoxOf(PlacedBox()), 1e-4)) << alone;
        EXPECT_TRUE(SameBox(read(model), BoxOf(PlacedBox()), 1e-4)) << model;
    }
    for (const char* name : {"alone.step", "model.step"}) {
        EXPECT_NE(ReadWholeFile(myDir.File(name)).find("FILE_SCHEMA(('AUTOMOTIVE_DESIGN"),
                  std::string::npos)
            << name;
    }
    EXPECT_STREQ(Interface_Static::CVal("xstep.cascade.unit"), "M");
}

TEST_F(ShapeSaveTest, SourceDateEpochGivesTheSameBytesOnBothRoads)
{
    const ScopedEnvironment epoch(WriteTime::EpochVariable, "86400");
    // The IGES dates are the file's generation and its last change.
    for (const auto& [extension, stamp] :
         {std::make_pair(std::string(".step"), std::string("'1970-01-02T00:00:00'")),
          std::make_pair(std::string(".igs"), std::string("15H19700102.000000,"))}) {
        const std::string alone = ReadWholeFile(Save(PlacedBox(), "alone1" + extension));
        EXPECT_EQ(alone, ReadWholeFile(Save(PlacedBox(), "alone2" + extension))) << extension;
        EXPECT_NE(alone.find(stamp), std::string::npos) << extension;
        std::string models[2];
        for (std::string& model : models) {
            XcafBuilder builder;
            const std::string path = myDir.File("model" + extension);
            const XdeWriteResult result =
                XdeModelWriter::Save(path, ColouredPartsModel(builder, 12), {});
            ASSERT_TRUE(result) << result.failure;
            model = ReadWholeFile(path);
        }
        EXPECT_TRUE(models[0] == models[1]) << extension;
        EXPECT_NE(models[0].find(stamp), std::string::npos) << extension;
        if (extension == ".igs") {
            EXPECT_NE(models[0].find(stamp, models[0].find(stamp) + 1), std::string::npos);
        }
    }
}

TEST_F(ShapeSaveTest, ABadSourceDateEpochIsSaidOnceAndTheCurrentTimeStamped)
{
    // Negative, not a number, past the year 9999, too large for any integer.
    for (const char* bad : {"-86400", "86400s", "253402300800", "99999999999999999999"}) {
        const ScopedEnvironment epoch(WriteTime::EpochVariable, bad);
        ScopedLogCapture log;
        const std::string before = LocalNow();
        const std::string first = StepTimeStamp(ReadWholeFile(Save(PlacedBox(), "box.step")));
        const std::string second = StepTimeStamp(ReadWholeFile(Save(PlacedBox(), "box.step")));
        const std::string after = LocalNow();
        for (const std::string& stamp : {first, second}) {
            EXPECT_LE(before, stamp) << bad;
            EXPECT_LE(stamp, after) << bad;
        }
        const std::vector<LogRecord> records = log->GetRecords();
        const std::string said = std::string("SOURCE_DATE_EPOCH='") + bad + "'";
        EXPECT_EQ(std::count_if(records.begin(), records.end(),
                                [&said](const LogRecord& record) {
                                    return record.text.find(said) != std::string::npos;
                                }),
                  1)
            << bad;
    }
}

TEST_F(ShapeSaveTest, AnUnknownUnitIsWordedAlikeOnEveryRoad)
{
    const std::string expected =
        "unknown unit 'furlong' (mm, cm, m, km, um, in, ft, mi, mil or uin)";
    EXPECT_EQ(LengthUnit::UnknownText("furlong"), expected);
    ParameterDict furlongs;
    ImportSettingsModel(&furlongs).SetModelUnit("furlong");
    for (const char* name : {"box.step", "box.igs", "box.stl", "box.glb", "box.brep"}) {
        ScopedLogCapture log;
        EXPECT_FALSE(ShapeIO::Save(TopoShape::Create(PlacedBox()), myDir.File(name), &furlongs));
        EXPECT_TRUE(OneReason(log, myDir.File(name), expected)) << name;
    }
    XdeWriteOptions options;
    options.unit = "furlong";
    for (const char* name : {"box.step", "box.stl"}) {
        XcafBuilder builder;
        EXPECT_EQ(
            XdeModelWriter::Save(myDir.File(name), OnePartModel(builder, PlacedBox()), options)
                .failure,
            expected)
            << name;
    }
    EXPECT_TRUE(Snapshot().empty());
}

TEST_F(ShapeSaveTest, EachFailureIsFalseWithOneReasonAndLeavesTheFolderAsItWas)
{
    const std::string plainFile = myDir.Write("plain.txt", "not a folder");
    fs::create_directory(myDir.File("folder.step"));
    const std::shared_ptr<TopoShape> box = TopoShape::Create(PlacedBox());
    auto existing = [&](const std::string& name) { return myDir.Write(name, {"old\0\n", 5}); };
    const std::vector<std::tuple<std::shared_ptr<TopoShape>, std::string, std::string>> cases = {
        {nullptr, existing("null.step"), "no shape"},
        {TopoShape::Create(TopoDS_Shape()), existing("null.brep"), "no shape"},
        {TopoShape::Create(MakeCompound({})), existing("empty.step"), "empty"},
        {TopoShape::Create(MakeCompound({MakeCompound({})})), myDir.File("empty.stl"), "empty"},
        {box, existing("box.xyz"), "no writer takes the extension '.xyz'"},
        {box, myDir.File("box"), "no extension"},
        {box, myDir.File("missing/box.step"), "does not exist"},
        {box, plainFile + "/box.step", "not a folder"},
        {box, myDir.File("folder.step"), "folder"},
        // The writers' own failures: the format cannot take the shape, or the translator throws.
        {TopoShape::Create(BRepBuilderAPI_MakeVertex(gp_Pnt(1, 2, 3)).Shape()),
         existing("vertex.stl"), "no faces"},
        {TopoShape::Create(BRepBuilderAPI_MakeVertex(gp_Pnt()).Shape()), myDir.File("vertex.obj"),
         "no faces"},
        {TopoShape::Create(CurvelessEdge()), existing("edge.igs"), "IGES translator"},
        {TopoShape::Create(SolidWithCurvelessEdge()), existing("solid.step"), "STEP translator"},
        {TopoShape::Create(SolidWithCurvelessEdge()), existing("solid.igs"), "Standard_"},
        {TopoShape::Create(SolidWithCurvelessEdge()), myDir.File("new.igs"), "Standard_"},
    };
    const std::map<std::string, std::string> before = Snapshot();
    for (const auto& [shape, path, because] : cases) {
        ScopedLogCapture log;
        bool saved = true;
        EXPECT_NO_THROW(saved = ShapeIO::Save(shape, path, nullptr)) << path;
        EXPECT_FALSE(saved) << path;
        EXPECT_TRUE(OneReason(log, path, because)) << path;
        EXPECT_EQ(Snapshot(), before) << path;
    }
}

TEST_F(ShapeSaveTest, AFolderThatCannotBeWrittenIsReported)
{
    const std::string folder = myDir.File("locked");
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0555);
    if (::access(folder.c_str(), W_OK) == 0) {
        GTEST_SKIP() << "running with rights to write into any folder";
    }
    ScopedLogCapture log;
    EXPECT_FALSE(ShapeIO::Save(TopoShape::Create(PlacedBox()), folder + "/box.step", nullptr));
    EXPECT_TRUE(OneReason(log, folder + "/box.step", "cannot be written"));
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(ShapeSaveTest, ReplacingWriteRemovesWhatAFailedWriteLeftAndMovesAWholeOne)
{
    const std::string path = myDir.Write("part.gltf", "old");
    auto half = [](const std::string& file) { std::ofstream(file) << "{\"asset\":"; };
    const std::vector<std::pair<ReplacingWriteFunction, std::string>> failing = {
        {[&](const std::string& file, std::string& reason) {
             half(file);
             reason = "the disk is full";
             return false;
         },
         "(the disk is full)"},
        {[&](const std::string& file, std::string&) -> bool {
             half(file);
             throw std::runtime_error("stream broke");
         },
         "the writer for glTF failed: stream broke"},
        {[&](const std::string& file, std::string&) -> bool {
             half(file);
             std::ofstream(fs::path(file).replace_extension(".bin")) << "side";
             throw Standard_Failure("kernel gave up");
         },
         "Standard_Failure: kernel gave up"},
        {[](const std::string&, std::string&) { return true; }, "wrote no file"},
    };
    const std::map<std::string, std::string> before = Snapshot();
    for (const auto& [write, because] : failing) {
        ScopedLogCapture log;
        EXPECT_FALSE(WriteReplacing(path, "glTF", write)) << because;
        EXPECT_TRUE(OneReason(log, path, because));
        EXPECT_EQ(Snapshot(), before) << because;
    }

    // A whole write: the main file and the file beside it, written under their final names in
    // a folder inside the target's, arrive; nothing else stays.
    std::string given;
    EXPECT_TRUE(WriteReplacing(path, "glTF", [&](const std::string& file) {
        given = file;
        std::ofstream(file) << "new";
        std::ofstream(fs::path(file).replace_extension(".bin")) << "side";
        return true;
    }));
    EXPECT_EQ(fs::path(given).filename(), "part.gltf");
    EXPECT_EQ(fs::path(given).parent_path().parent_path(), fs::path(myDir.GetPath()));
    EXPECT_EQ(Snapshot(),
              (std::map<std::string, std::string>{{"part.gltf", "new"}, {"part.bin", "side"}}));
}

} // namespace
