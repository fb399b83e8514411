// Any model file into a kernel document and out again (XdeModelReader, XdeModelWriter,
// XdeModelEdit), the table of readers, and the format table they and the program share.
#include "Support/TestSupport.h"

#include "Geometry/IO/LabelName.h"
#include "Geometry/IO/MeshFileCheck.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ShapeMesher.h"
#include "Interop/Kernel/GltfModelReader.h"
#include "Interop/Kernel/IgesModelReader.h"
#include "Interop/Kernel/ModelReaderTable.h"
#include "Interop/Kernel/ObjModelReader.h"
#include "Interop/Kernel/ShapeModelReader.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeModelReader.h"
#include "Interop/Kernel/XdeModelWriter.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <BRepLib.hxx>
#include <BRepOffsetAPI_MakePipe.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <GProp_GProps.hxx>
#include <Geom2dAPI_Interpolate.hxx>
#include <Geom2d_BSplineCurve.hxx>
#include <Geom2d_Line.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Poly_Triangulation.hxx>
#include <Precision.hxx>
#include <RWStl.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TColgp_HArray1OfPnt2d.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Shell.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <gp_Ax3.hxx>
#include <gp_Circ.hxx>
#include <gp_Lin.hxx>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>

using namespace orvkit;
using namespace orvtest;

namespace {

// Parts (shape labels that are not assemblies) and the components placing them.
std::pair<int, int> PartsAndInstances(const XdeDocumentImpl& impl)
{
    TDF_LabelSequence shapes;
    impl.shapeTool->GetShapes(shapes);
    int parts = 0;
    int instances = 0;
    for (const TDF_Label& label : shapes) {
        if (!XCAFDoc_ShapeTool::IsAssembly(label)) {
            ++parts;
            continue;
        }
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(label, components);
        instances += components.Length();
    }
    return {parts, instances};
}

Bnd_Box BoxOf(const XdeDocumentImpl& impl)
{
    Bnd_Box box;
    BRepBndLib::AddOptimal(XdeModelEdit::WholeShape(impl), box, Standard_True, Standard_False);
    return box;
}

// A binary glTF file the house's glTF check passes: its JSON, and its buffer in `binary`.
nlohmann::json CheckedGlb(const std::string& path, std::string& binary)
{
    const LoadFailure failure = MeshFileCheck::Gltf(path);
    EXPECT_FALSE(failure) << failure.Describe();
    const std::string bytes = ReadWholeFile(path);
    uint32_t length = 0;
    if (bytes.size() < 20) {
        return {};
    }
    std::memcpy(&length, bytes.data() + 12, 4);
    binary = bytes.size() >= 28 + length ? bytes.substr(28 + length) : std::string();
    return nlohmann::json::parse(bytes.substr(20, length));
}

// The points of a float VEC3 accessor, back in the model's millimetres and Z up.
std::vector<gp_Pnt> ModelPoints(const nlohmann::json& gltf, const std::string& binary, int accessor)
{
    const nlohmann::json& a = gltf["accessors"][static_cast<size_t>(accessor)];
    const nlohmann::json& view = gltf["bufferViews"][a["bufferView"].get<size_t>()];
    const size_t offset = view.value("byteOffset", 0u) + a.value("byteOffset", 0u);
    std::vector<gp_Pnt> points;
    for (size_t i = 0; i < a["count"].get<size_t>(); ++i) {
        float xyz[3];
        std::memcpy(xyz, binary.data() + offset + 12 * i, 12);
        points.emplace_back(xyz[0] * 1000.0, -xyz[2] * 1000.0, xyz[1] * 1000.0);
    }
    return points;
}

// The total length of the segments of a line primitive.
double SegmentLength(const nlohmann::json& gltf, const std::string& binary,
                     const nlohmann::json& primitive, const std::vector<gp_Pnt>& points)
{
    const nlohmann::json& a = gltf["accessors"][primitive["indices"].get<size_t>()];
    const nlohmann::json& view = gltf["bufferViews"][a["bufferView"].get<size_t>()];
    std::vector<uint32_t> indices(a["count"].get<size_t>());
    std::memcpy(indices.data(), binary.data() + view.value("byteOffset", 0u), 4 * indices.size());
    double length = 0.0;
    for (size_t i = 0; i + 1 < indices.size(); i += 2) {
        length += points.at(indices[i]).Distance(points.at(indices[i + 1]));
    }
    return length;
}

double CurveLength(const TopoDS_Edge& edge)
{
    return GCPnts_AbscissaPoint::Length(BRepAdaptor_Curve(edge));
}

double DistanceTo(const gp_Pnt& point, const TopoDS_Shape& shape)
{
    BRepExtrema_DistShapeShape distance(BRepBuilderAPI_MakeVertex(point).Vertex(), shape);
    return distance.IsDone() ? distance.Value() : 1e9;
}

// The builder's document as a read leaves it, its free shapes listed, for the writer.
XdeDocumentImpl& Finished(XcafBuilder& builder)
{
    builder.Finish();
    XdeDocumentImpl& impl = builder.GetImpl();
    impl.shapeTool->GetFreeShapes(impl.freeShapes);
    return impl;
}

class ModelIOTest : public ::testing::Test {
protected:
    // A part placed twice under an assembly, one face of it red.
    void SetUp() override
    {
        const TDF_Label root = myBuilder.AddAssembly("frame");
        myPart = myBuilder.AddPart("block", MakeBox(10, 20, 30));
        myBuilder.SetFaceColor(myPart, 2, Quantity_Color(1, 0, 0, Quantity_TOC_RGB));
        myBuilder.AddComponent(root, myPart, Translation(0, 0, 0), "left");
        myBuilder.AddComponent(root, myPart, Translation(100, 0, 0), "right");
        myBuilder.Finish();
        ASSERT_TRUE(myBuilder.SaveStep(myDir.File("frame.step")));
    }

    static void Read(const std::string& path, XdeDocumentImpl& impl)
    {
        ASSERT_TRUE(XdeModelReader::Open(path, impl, nullptr)) << impl.failure.Describe();
    }

    XcafBuilder myBuilder;
    TDF_Label myPart;
    TempDir myDir;
};

TEST_F(ModelIOTest, EveryFormatComesBackWithWhatItHolds)
{
    XdeDocumentImpl source;
    Read(myDir.File("frame.step"), source);
    const Bnd_Box expected = BoxOf(source);
    for (const ModelFormat& format : ModelFormat::All()) {
        const std::string path = myDir.File("out" + format.extensions.front());
        XdeDocumentImpl model;
        Read(myDir.File("frame.step"), model);
        const XdeWriteResult result = XdeModelWriter::Save(path, model, {});
        ASSERT_TRUE(result) << format.name << ": " << result.failure;
        XdeDocumentImpl back;
        Read(path, back);
        // The placed model is where it was, within the meshing of the mesh formats.
        const Bnd_Box box = BoxOf(back);
        const double tolerance = format.IsMesh() ? 0.2 : 1e-4;
        EXPECT_LT(box.CornerMin().Distance(expected.CornerMin()), tolerance) << format.name;
        EXPECT_LT(box.CornerMax().Distance(expected.CornerMax()), tolerance) << format.name;
        if (format.keepsInstances) {
            // One part placed twice stays one part placed twice.
            EXPECT_EQ(PartsAndInstances(back), std::make_pair(1, 2)) << format.name;
        }
        // Only the formats that lose something say so.
        EXPECT_EQ(result.warnings.empty(), format.keepsTree && format.keepsColors)
            << format.name << ": " << (result.warnings.empty() ? "" : result.warnings.front());
    }
}

TEST_F(ModelIOTest, TransformOfAFreePartMovesItsFaceColoursWithIt)
{
    XcafBuilder part;
    const TDF_Label block = part.AddPart("block", MakeBox(10, 20, 30));
    part.SetFaceColor(block, 2, Quantity_Color(1, 0, 0, Quantity_TOC_RGB));
    part.Finish();
    const std::string path = myDir.File("block.step");
    ASSERT_TRUE(part.SaveStep(path));
    XdeDocumentImpl read;
    Read(path, read);
    XdeWriteOptions options;
    options.transform.SetRotation(gp::OX(), M_PI / 2.0); // y becomes z
    const std::string turned = myDir.File("turned.step");
    ASSERT_TRUE(XdeModelWriter::Save(turned, read, options));
    XdeDocumentImpl back;
    Read(turned, back);
    double x0, y0, z0, x1, y1, z1;
    BoxOf(back).Get(x0, y0, z0, x1, y1, z1);
    EXPECT_NEAR(z1 - z0, 20.0, 1e-6);
    EXPECT_NEAR(y1 - y0, 30.0, 1e-6);
    // The red face is still the part's third face, and still red.
    ASSERT_EQ(back.freeShapes.Length(), 1);
    TDF_LabelSequence subShapes;
    XCAFDoc_ShapeTool::GetSubShapes(back.freeShapes.First(), subShapes);
    ASSERT_EQ(subShapes.Length(), 1);
    Quantity_Color color;
    ASSERT_TRUE(back.colorTool->GetColor(subShapes.First(), XCAFDoc_ColorSurf, color));
    EXPECT_TRUE(ColorNear(color, 1, 0, 0));
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(back.freeShapes.First()), TopAbs_FACE, faces);
    EXPECT_EQ(faces.FindIndex(XCAFDoc_ShapeTool::GetShape(subShapes.First())), 3);
}

TEST_F(ModelIOTest, ExtractKeepsTheSubtreeAndPlacesAnInstanceWhereItWas)
{
    XdeDocumentImpl source;
    Read(myDir.File("frame.step"), source);
    const TDF_Label right = XdeModelEdit::FindNamed(source, "right");
    ASSERT_FALSE(right.IsNull());
    XdeDocumentImpl placed;
    ASSERT_TRUE(XdeModelEdit::Extract(source, right, true, placed));
    EXPECT_NEAR(BoxOf(placed).CornerMin().X(), 100.0, 1e-6);
    XdeDocumentImpl alone;
    ASSERT_TRUE(XdeModelEdit::Extract(source, right, false, alone));
    EXPECT_NEAR(BoxOf(alone).CornerMin().X(), 0.0, 1e-6);
    EXPECT_EQ(PartsAndInstances(alone), std::make_pair(1, 0));
    EXPECT_TRUE(XdeModelEdit::FindNamed(source, "nothing").IsNull());
}

// A caller that has looked the format up hands it down, and the writer writes that format,
// whatever the path's extension says; only the path-only call reads the extension.
TEST_F(ModelIOTest, TheFormatHandedDownIsWrittenWhateverThePathSays)
{
    const std::pair<ModelFormat::EnumId, const char*> cases[] = {
        {ModelFormat::STL, "frame.out"},
        {ModelFormat::GLB, "frame.stl"},
        {ModelFormat::STEP, "frame.glb"},
    };
    for (const auto& [id, name] : cases) {
        XdeDocumentImpl model;
        Read(myDir.File("frame.step"), model);
        const XdeWriteResult result =
            XdeModelWriter::Save(myDir.File(name), ModelFormat::Get(id), model, {});
        ASSERT_TRUE(result) << name << ": " << result.failure;
    }
    EXPECT_GT(RWStl::ReadFile(myDir.File("frame.out").c_str())->NbTriangles(), 0);
    EXPECT_EQ(ReadWholeFile(myDir.File("frame.stl")).substr(0, 4), "glTF");
    EXPECT_EQ(ReadWholeFile(myDir.File("frame.glb")).rfind("ISO-10303-21;", 0), 0u);

    XdeDocumentImpl model;
    Read(myDir.File("frame.step"), model);
    EXPECT_EQ(XdeModelWriter::Save(myDir.File("again.out"), model, {}).failure,
              "no format is written with the extension '.out'");
}

TEST(ModelReaderTest, BadFilesFailWithTheirReason)
{
    const TempDir dir;
    const std::pair<std::string, EnumLoadFailure> cases[] = {
        {dir.File("missing.glb"), LoadFailureNotFound},
        {dir.Write("empty.obj", ""), LoadFailureEmpty},
        {dir.Write("garbage.glb", "not a binary glTF file at all"), LoadFailureParseError},
        {dir.Write("garbage.brep", "DBRep_DrawableShape\nnonsense\n"), LoadFailureParseError},
        {dir.Write("model.xyz", "x"), LoadFailureUnknownExtension},
        {dir.GetPath(), LoadFailureNotAFile},
    };
    for (const auto& [path, kind] : cases) {
        XdeDocumentImpl impl;
        EXPECT_FALSE(XdeModelReader::Open(path, impl, nullptr)) << path;
        EXPECT_EQ(impl.failure.kind, kind) << path << ": " << impl.failure.Describe();
        EXPECT_TRUE(impl.freeShapes.IsEmpty()) << path;
    }
}

TEST(ModelReaderTableTest, ChoosesOneReaderByExtensionInAnyCaseAndNoneForOthers)
{
    const auto reader = [](const char* path) { return ModelReaderTable::ForPath(path); };
    EXPECT_NE(dynamic_cast<const StepModelReader*>(reader("dir.v2/part.STP")), nullptr);
    EXPECT_EQ(reader("a.step"), reader("b.Stp"));
    EXPECT_NE(dynamic_cast<const IgesModelReader*>(reader("part.Iges")), nullptr);
    EXPECT_NE(dynamic_cast<const GltfModelReader*>(reader("scene.GLB")), nullptr);
    EXPECT_EQ(reader("scene.gltf"), reader("scene.glb"));
    EXPECT_NE(dynamic_cast<const ObjModelReader*>(reader("mesh.obj")), nullptr);
    EXPECT_NE(dynamic_cast<const ShapeModelReader*>(reader("solid.brp")), nullptr);
    EXPECT_EQ(reader("solid.brep"), reader("mesh.STL"));
    for (const char* other : {"model.xyz", "step", "part.step.bak", "part.", ""}) {
        EXPECT_EQ(reader(other), nullptr) << other;
    }
    // A format the table of formats knows and no reader takes would be refused as unknown.
    for (const ModelFormat& format : ModelFormat::All()) {
        for (const std::string& extension : format.extensions) {
            EXPECT_NE(reader(("model" + extension).c_str()), nullptr) << extension;
        }
    }
}

TEST(ModelFormatTest, ExtensionsAreFoundInAnyCaseExceptWhereTheyMustBeExact)
{
    ASSERT_NE(ModelFormat::ForPath("a/b.STEP"), nullptr);
    EXPECT_EQ(ModelFormat::ForPath("a/b.STEP")->id, ModelFormat::STEP);
    EXPECT_EQ(ModelFormat::ForName("GLB")->id, ModelFormat::GLB);
    EXPECT_EQ(ModelFormat::ForName("iges")->id, ModelFormat::IGES);
    EXPECT_EQ(ModelFormat::ForPath("b.wrl"), nullptr);
    // The XDE document interface takes its extensions in lower case only.
    EXPECT_EQ(ModelFormat::ForExactExtension(".STP"), nullptr);
    EXPECT_EQ(ModelFormat::ForExactExtension(".igs")->id, ModelFormat::IGES);
    for (const ModelFormat& format : ModelFormat::All()) {
        EXPECT_EQ(&ModelFormat::Get(format.id), &format) << format.name;
    }
}

// Names are read once for every writer and walker: as UTF-8, so that the Chinese part names
// common in these files survive, and empty where a label has none.
TEST(LabelNameTest, NamesComeAsUtf8AndALabelWithoutOneHasNone)
{
    XcafBuilder builder;
    EXPECT_EQ(LabelName(builder.AddPart("齿轮 gear", MakeBox(1, 1, 1))), "齿轮 gear");
    EXPECT_EQ(LabelName(builder.GetImpl().GetMain().FindChild(99)), "");
    EXPECT_EQ(LabelName(TDF_Label()), "");
}

// --- STEP round trips -------------------------------------------------------------------------

std::string NameOf(const TDF_Label& label)
{
    Handle(TDataStd_Name) name;
    if (!label.FindAttribute(TDataStd_Name::GetID(), name)) {
        return {};
    }
    return TCollection_AsciiString(name->Get(), '?').ToCString();
}

// The label's own colours, surface (or generic) then curve, as sRGB.
std::string ColoursOf(const XdeDocumentImpl& impl, const TDF_Label& label)
{
    std::string text;
    Quantity_Color color;
    if (impl.colorTool->GetColor(label, XCAFDoc_ColorSurf, color) ||
        impl.colorTool->GetColor(label, XCAFDoc_ColorGen, color)) {
        text += " surface " + std::string(Quantity_Color::ColorToHex(color).ToCString());
    }
    if (impl.colorTool->GetColor(label, XCAFDoc_ColorCurv, color)) {
        text += " curve " + std::string(Quantity_Color::ColorToHex(color).ToCString());
    }
    return text;
}

// The colours of a part's faces or edges, each of a sub-shape label, sorted.
std::string SubShapeColours(const XdeDocumentImpl& impl, const TDF_Label& part,
                            TopAbs_ShapeEnum type)
{
    std::vector<std::string> colours;
    TDF_LabelSequence subShapes;
    XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
    for (const TDF_Label& sub : subShapes) {
        if (XCAFDoc_ShapeTool::GetShape(sub).ShapeType() == type) {
            colours.push_back(ColoursOf(impl, sub));
        }
    }
    std::sort(colours.begin(), colours.end());
    std::string text;
    for (const std::string& colour : colours) {
        text += " [" + colour + " ]";
    }
    return text;
}

// ", bodies" and the colours of the shells and solids that have their own, where any has.
std::string BodyColours(const XdeDocumentImpl& impl, const TDF_Label& part)
{
    std::vector<std::string> colours;
    TDF_LabelSequence subShapes;
    XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
    for (const TDF_Label& sub : subShapes) {
        const TopAbs_ShapeEnum type = XCAFDoc_ShapeTool::GetShape(sub).ShapeType();
        const std::string colour = ColoursOf(impl, sub);
        if ((type == TopAbs_SHELL || type == TopAbs_SOLID) && !colour.empty()) {
            colours.push_back(colour);
        }
    }
    std::sort(colours.begin(), colours.end());
    std::string text;
    for (const std::string& colour : colours) {
        text += " [" + colour + " ]";
    }
    return text.empty() ? text : ", bodies" + text;
}

// ", N wires" and their colours for the wires that bound no face, where there are any.
std::string FreeWires(const XdeDocumentImpl& impl, const TDF_Label& part)
{
    int wires = 0;
    for (TopExp_Explorer it(XCAFDoc_ShapeTool::GetShape(part), TopAbs_WIRE, TopAbs_FACE); it.More();
         it.Next()) {
        ++wires;
    }
    return wires > 0
               ? ", " + std::to_string(wires) + " wires" + SubShapeColours(impl, part, TopAbs_WIRE)
               : std::string();
}

// ", N points" for the vertices on no edge, where there are any.
std::string FreePoints(const TopoDS_Shape& shape)
{
    TopTools_IndexedDataMapOfShapeListOfShape edges;
    TopExp::MapShapesAndAncestors(shape, TopAbs_VERTEX, TopAbs_EDGE, edges);
    int points = 0;
    for (int i = 1; i <= edges.Extent(); ++i) {
        points += edges(i).IsEmpty() ? 1 : 0;
    }
    return points > 0 ? ", " + std::to_string(points) + " points" : std::string();
}

// What a round trip must keep, one line a product or instance in tree order: names, colours,
// faces, edges and vertices (each once, however many faces or edges share it), face, edge,
// vertex and body colours.
void Outline(const XdeDocumentImpl& impl, const TDF_Label& label, const std::string& indent,
             std::string& out)
{
    if (XCAFDoc_ShapeTool::IsAssembly(label)) {
        out += indent + "assembly '" + NameOf(label) + "'" + ColoursOf(impl, label) + "\n";
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(label, components);
        for (const TDF_Label& component : components) {
            TDF_Label referred;
            XCAFDoc_ShapeTool::GetReferredShape(component, referred);
            out += indent + "  instance '" + NameOf(component) + "'" + ColoursOf(impl, component) +
                   "\n";
            Outline(impl, referred, indent + "    ", out);
        }
        return;
    }
    TopTools_IndexedMapOfShape faces;
    TopTools_IndexedMapOfShape edges;
    TopTools_IndexedMapOfShape vertices;
    TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(label), TopAbs_FACE, faces);
    TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(label), TopAbs_EDGE, edges);
    TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(label), TopAbs_VERTEX, vertices);
    out += indent + "part '" + NameOf(label) + "'" + ColoursOf(impl, label) + ", " +
           std::to_string(faces.Extent()) + " faces" + SubShapeColours(impl, label, TopAbs_FACE) +
           ", " + std::to_string(edges.Extent()) + " edges" +
           SubShapeColours(impl, label, TopAbs_EDGE) + ", " + std::to_string(vertices.Extent()) +
           " vertices" + SubShapeColours(impl, label, TopAbs_VERTEX) + BodyColours(impl, label) +
           FreeWires(impl, label) + FreePoints(XCAFDoc_ShapeTool::GetShape(label)) + "\n";
}

std::string Outline(const XdeDocumentImpl& impl)
{
    std::string out;
    for (const TDF_Label& root : impl.freeShapes) {
        Outline(impl, root, "", out);
    }
    return out;
}

TopoDS_Edge Segment(const gp_Pnt& from, const gp_Pnt& to)
{
    return BRepBuilderAPI_MakeEdge(from, to).Edge();
}

void ColourEdge(XcafBuilder& builder, const TDF_Label& part, const TopoDS_Shape& edge,
                const Quantity_Color& color)
{
    XdeDocumentImpl& impl = builder.GetImpl();
    impl.colorTool->SetColor(impl.shapeTool->AddSubShape(part, edge), color, XCAFDoc_ColorCurv);
}

// The faces of a box straight in a compound, without the shell that held them: they still
// share their edges.
TopoDS_Compound LooseFaces(const TopoDS_Shape& solid)
{
    std::vector<TopoDS_Shape> faces;
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next()) {
        faces.push_back(it.Current());
    }
    return MakeCompound(faces);
}

// The faces of a box, each in a shell of its own, in a compound: the shells share their edges,
// as the shells of one surface model do when read.
TopoDS_Compound ShellOfEachFace(const TopoDS_Shape& solid)
{
    std::vector<TopoDS_Shape> shells;
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next()) {
        TopoDS_Shell shell;
        BRep_Builder().MakeShell(shell);
        BRep_Builder().Add(shell, it.Current());
        shells.push_back(shell);
    }
    return MakeCompound(shells);
}

const Quantity_Color kRed(1, 0, 0, Quantity_TOC_RGB);
const Quantity_Color kBlue(0, 0, 1, Quantity_TOC_RGB);
const Quantity_Color kOrange(1, 0.5, 0, Quantity_TOC_sRGB);

struct RoundTripCase {
    const char* what;
    std::function<void(XcafBuilder&)> build;
    // What writing the model built says it cannot keep.
    std::vector<std::string> warnings = {};
};

const RoundTripCase kRoundTrips[] = {
    {"a wire model whose edges have their own colours",
     [](XcafBuilder& builder) {
         const TopoDS_Edge first = Segment(gp_Pnt(0, 0, 0), gp_Pnt(10, 0, 0));
         const TopoDS_Edge second = Segment(gp_Pnt(10, 0, 0), gp_Pnt(10, 10, 0));
         const TopoDS_Edge arc =
             BRepBuilderAPI_MakeEdge(gp_Circ(gp_Ax2(gp_Pnt(0, 0, 5), gp::DZ()), 4), 0, M_PI);
         const TDF_Label part = builder.AddPart("wires", MakeCompound({first, second, arc}));
         ColourEdge(builder, part, first, kRed);
         ColourEdge(builder, part, second, kBlue);
         ColourEdge(builder, part, arc, kOrange);
     }},
    {"faces in a compound that share their edges",
     [](XcafBuilder& builder) {
         const TDF_Label part = builder.AddPart("skin", LooseFaces(MakeBox(10, 20, 30)));
         builder.SetFaceColor(part, 2, kRed);
     },
     {"6 faces that lie in no shell are written in 1 shell: STEP holds faces only in shells"}},
    {"a part of shells that share their edges, one edge and one face with its own colour",
     [](XcafBuilder& builder) {
         const TopoDS_Compound panels = ShellOfEachFace(MakeBox(10, 20, 30));
         const TDF_Label part = builder.AddPart("panels", panels);
         builder.SetColor(part, kOrange);
         builder.SetFaceColor(part, 1, kRed);
         ColourEdge(builder, part, TopExp_Explorer(panels, TopAbs_EDGE).Current(), kBlue);
     }},
    {"a white part whose faces have colours of their own",
     [](XcafBuilder& builder) {
         std::vector<TopoDS_Shape> faces;
         for (const TopoDS_Shape& box :
              {MakeBox(10, 20, 30),
               MakeBox(1, 2, 3).Moved(TopLoc_Location(Translation(50, 0, 0)))}) {
             for (TopExp_Explorer it(box, TopAbs_FACE); it.More(); it.Next()) {
                 faces.push_back(it.Current());
             }
         }
         const TDF_Label part = builder.AddPart("white", MakeCompound(faces));
         builder.SetColor(part, Quantity_Color(1, 1, 1, Quantity_TOC_RGB));
         builder.SetFaceColor(part, 1, kRed);
         builder.SetFaceColor(part, 4, kBlue);
     },
     {"12 faces that lie in no shell are written in 2 shells: STEP holds faces only in shells"}},
    {"a face colour on a compound of one face",
     [](XcafBuilder& builder) {
         const TopoDS_Shape face = TopExp_Explorer(MakeBox(10, 20, 30), TopAbs_FACE).Current();
         const TDF_Label part = builder.AddPart("patch", MakeCompound({face}));
         builder.SetFaceColor(part, 0, kRed);
     },
     {"1 face that lies in no shell is written in 1 shell: STEP holds faces only in shells"}},
    {"wires of several edges, one closed, one with its colour, beside a loose edge",
     [](XcafBuilder& builder) {
         const TopoDS_Wire open = BRepBuilderAPI_MakePolygon(gp_Pnt(0, 0, 0), gp_Pnt(10, 0, 0),
                                                             gp_Pnt(10, 10, 0), gp_Pnt(0, 10, 0))
                                      .Wire();
         const TopoDS_Wire closed = BRepBuilderAPI_MakePolygon(gp_Pnt(0, 0, 3), gp_Pnt(10, 0, 3),
                                                               gp_Pnt(10, 10, 3), Standard_True)
                                        .Wire();
         const TDF_Label part = builder.AddPart(
             "sketch", MakeCompound({open, closed, Segment(gp_Pnt(0, 0, 5), gp_Pnt(10, 0, 5))}));
         builder.SetSubShapeColor(part, closed, kBlue);
     }},
    {"wires that meet at their ends, their edges with colours of their own",
     [](XcafBuilder& builder) {
         // The outline of a slot: two arcs and two lines, each edge a wire of its own, as a
         // wireframe model holds its edges, and a chain of two lines beside it, in one wire.
         const gp_Pnt corners[] = {{0, 0, 0}, {10, 0, 0}, {10, 4, 0}, {0, 4, 0}};
         TopoDS_Vertex ends[4];
         for (int i = 0; i < 4; ++i) {
             ends[i] = BRepBuilderAPI_MakeVertex(corners[i]).Vertex();
         }
         const auto arc = [&](int from, int to, double x) {
             const gp_Circ circle(gp_Ax2(gp_Pnt(x, 2, 0), gp::DZ()), 2);
             return BRepBuilderAPI_MakeEdge(circle, ends[from], ends[to]).Edge();
         };
         const TopoDS_Edge edges[] = {
             BRepBuilderAPI_MakeEdge(ends[0], ends[1]).Edge(), arc(1, 2, 10),
             BRepBuilderAPI_MakeEdge(ends[2], ends[3]).Edge(), arc(3, 0, 0)};
         std::vector<TopoDS_Shape> wires;
         for (const TopoDS_Edge& edge : edges) {
             wires.push_back(BRepBuilderAPI_MakeWire(edge).Wire());
         }
         const TopoDS_Vertex far = BRepBuilderAPI_MakeVertex(gp_Pnt(20, 0, 0)).Vertex();
         const TopoDS_Edge chain = BRepBuilderAPI_MakeEdge(ends[1], far).Edge();
         wires.push_back(
             BRepBuilderAPI_MakeWire(
                 chain,
                 BRepBuilderAPI_MakeEdge(far, BRepBuilderAPI_MakeVertex(gp_Pnt(20, 4, 0))).Edge())
                 .Wire());
         const TDF_Label part = builder.AddPart("slot", MakeCompound(wires));
         ColourEdge(builder, part, edges[0], kRed);
         ColourEdge(builder, part, edges[1], kBlue);
         ColourEdge(builder, part, chain, kOrange);
     }},
    {"vertices of a solid and of a shell with colours of their own",
     [](XcafBuilder& builder) {
         const TopoDS_Shape box = MakeBox(10, 20, 30);
         const TopoDS_Shape panels = ShellOfEachFace(MakeBox(5, 5, 5));
         const TDF_Label part = builder.AddPart("corners", MakeCompound({box, panels}));
         XdeDocumentImpl& impl = builder.GetImpl();
         for (const auto& [shape, colour] : {std::make_pair(box, kRed), {panels, kBlue}}) {
             const TopoDS_Shape vertex = TopExp_Explorer(shape, TopAbs_VERTEX).Current();
             impl.colorTool->SetColor(impl.shapeTool->AddSubShape(part, vertex), colour,
                                      XCAFDoc_ColorCurv);
         }
     }},
    {"curves coloured as a part and as a group, not edge by edge",
     [](XcafBuilder& builder) {
         XdeDocumentImpl& impl = builder.GetImpl();
         const TDF_Label curve =
             builder.AddPart("curve", MakeCompound({Segment(gp_Pnt(0, 0, 0), gp_Pnt(10, 0, 0))}));
         impl.colorTool->SetColor(curve, kRed, XCAFDoc_ColorCurv);
         const TopoDS_Shape group = MakeCompound({Segment(gp_Pnt(0, 0, 5), gp_Pnt(10, 0, 5))});
         const TDF_Label part = builder.AddPart("bracket", MakeCompound({MakeBox(1, 1, 1), group}));
         impl.colorTool->SetColor(impl.shapeTool->AddSubShape(part, group), kBlue,
                                  XCAFDoc_ColorCurv);
     }},
    {"points in groups of their own and beside curves",
     [](XcafBuilder& builder) {
         const auto point = [](double x) {
             return BRepBuilderAPI_MakeVertex(gp_Pnt(x, 0, 0)).Shape();
         };
         builder.AddPart(
             "datums",
             MakeCompound({MakeBox(1, 1, 1), point(20), MakeCompound({point(10), point(11)}),
                           MakeCompound({point(12), Segment(gp_Pnt(5, 5, 5), gp_Pnt(6, 6, 6))})}));
     }},
    {"an unnamed part and assembly, placed by a named instance",
     [](XcafBuilder& builder) {
         const TDF_Label root = builder.AddAssembly("frame");
         const TDF_Label inner = builder.GetImpl().shapeTool->NewShape();
         const TDF_Label part = builder.AddPart("", MakeBox(1, 2, 3));
         builder.AddComponent(inner, part, Translation(0, 0, 0), "40");
         builder.AddComponent(inner, part, Translation(5, 0, 0), "41");
         builder.AddComponent(root, inner, Translation(0, 0, 0), "inner-1");
     }},
    {"parts placed twice in one spot, by two assemblies, each instance with its own name",
     [](XcafBuilder& builder) {
         const TDF_Label root = builder.AddAssembly("model");
         const TDF_Label analysis = builder.AddAssembly("analysis");
         const TDF_Label solid = builder.AddPart("solid", MakeBox(1, 2, 3));
         const TDF_Label mesh = builder.AddPart("mesh", MakeBox(1, 2, 3));
         // One location for all, as a reader gives the occurrences of one representation:
         // each part placed so is the same shape wherever it is placed.
         const TopLoc_Location spot(Translation(5, 0, 0));
         const auto place = [&](const TDF_Label& assembly, const TDF_Label& part,
                                const char* name) {
             const TDF_Label component =
                 builder.GetImpl().shapeTool->AddComponent(assembly, part, spot);
             TDataStd_Name::Set(component, name);
         };
         place(root, solid, "=>[0:1:1:2]");
         place(root, mesh, "=>[0:1:1:3]");
         place(root, solid, "again");
         place(root, mesh, "and again");
         place(analysis, mesh, "first");
         place(analysis, solid, "second");
     }},
};

// What the model writer writes reads back as the model it was given, and written again from
// what was read, reads back the same once more.
TEST(StepRoundTripTest, WhatIsWrittenReadsBackTheSame)
{
    const TempDir dir;
    for (const RoundTripCase& trip : kRoundTrips) {
        SCOPED_TRACE(trip.what);
        XcafBuilder builder;
        trip.build(builder);
        builder.Finish();
        builder.GetImpl().RefreshTools();
        const std::string expected = Outline(builder.GetImpl());
        XdeDocumentImpl* model = &builder.GetImpl();
        XdeDocumentImpl generations[2];
        for (XdeDocumentImpl& back : generations) {
            const std::string path = dir.File("model.step");
            const XdeWriteResult result = XdeModelWriter::Save(path, *model, {});
            ASSERT_TRUE(result) << result.failure;
            // Read back, the model has what it can keep: the second write loses nothing.
            EXPECT_EQ(result.warnings,
                      model == &builder.GetImpl() ? trip.warnings : std::vector<std::string>{});
            ASSERT_TRUE(XdeModelReader::Open(path, back, nullptr)) << back.failure.Describe();
            EXPECT_EQ(Outline(back), expected)
                << (model == &builder.GetImpl() ? "first" : "second");
            model = &back;
        }
    }
}

// The writer keeps no record of which curve it wrote for which edge of a wire, and writes no
// colour for such an edge: the colour has to be put on the curve after the transfer. (A wire of
// one edge comes back as the edge alone, which the outline would count.)
TEST(StepRoundTripTest, AnEdgeOfAWireKeepsItsColour)
{
    const TempDir dir;
    XcafBuilder builder;
    const TopoDS_Edge edge = Segment(gp_Pnt(0, 0, 0), gp_Pnt(10, 0, 0));
    const TDF_Label part =
        builder.AddPart("wire", MakeCompound({BRepBuilderAPI_MakeWire(edge).Wire()}));
    ColourEdge(builder, part, edge, kRed);
    builder.Finish();
    builder.GetImpl().RefreshTools();
    const std::string path = dir.File("wire.step");
    ASSERT_TRUE(XdeModelWriter::Save(path, builder.GetImpl(), {}));
    XdeDocumentImpl back;
    ASSERT_TRUE(XdeModelReader::Open(path, back, nullptr)) << back.failure.Describe();
    ASSERT_EQ(back.freeShapes.Size(), 1);
    EXPECT_EQ(SubShapeColours(back, back.freeShapes.First(), TopAbs_EDGE), " [ curve #FF0000 ]");
}

// A file declares the precision its shapes were repaired to; written again, the model
// declares the same (in millimetres now), or a reader repairs it finer and splits edges the
// first read had joined. The sample is in inches, uncertain to 0.0265 in (0.672 mm).
TEST(StepRoundTripTest, TheFilesPrecisionIsDeclaredAgain)
{
    const TempDir dir;
    XdeDocumentImpl read;
    ASSERT_TRUE(XdeModelReader::Open(CorpusFile("step/trj2_as1-pe-203.stp"), read, nullptr));
    EXPECT_NEAR(read.declaredPrecision, 2.646949085119e-2 * 25.4, 1e-9);
    const std::string path = dir.File("again.step");
    ASSERT_TRUE(XdeModelWriter::Save(path, read, {}));
    EXPECT_NE(ReadWholeFile(path).find("UNCERTAINTY_MEASURE_WITH_UNIT(LENGTH_MEASURE(0.6723"),
              std::string::npos);
    XdeDocumentImpl back;
    ASSERT_TRUE(XdeModelReader::Open(path, back, nullptr));
    EXPECT_NEAR(back.declaredPrecision, read.declaredPrecision, 1e-9);

    // A file that declares less than any shape can be repaired to (1e-17 m, as some do) is
    // written with OpenCASCADE's confusion distance: read back at 1e-14 mm, a solid of the ABC
    // dataset came back with two faces more and a fifth more volume.
    std::string text = ReadWholeFile(path);
    const std::string declared = "LENGTH_MEASURE(0.6723";
    for (size_t at = text.find(declared); at != std::string::npos; at = text.find(declared)) {
        text.replace(at, text.find(')', at) - at, "LENGTH_MEASURE(1.E-14");
    }
    const std::string fine = dir.Write("fine.step", text);
    XdeDocumentImpl finer;
    ASSERT_TRUE(XdeModelReader::Open(fine, finer, nullptr));
    EXPECT_NEAR(finer.declaredPrecision, 1e-14, 1e-20);
    ASSERT_TRUE(XdeModelWriter::Save(path, finer, {}));
    XdeDocumentImpl coarser;
    ASSERT_TRUE(XdeModelReader::Open(path, coarser, nullptr));
    EXPECT_DOUBLE_EQ(coarser.declaredPrecision, Precision::Confusion());
}

// Written as endless lines, the straight curves of a face's edges on its B-spline surface were
// trimmed again by the reader at the wrong places, and its repair made the face smaller (this
// face, from a solid of OCCT's test data, by a third). Read, the file gives its edges such lines.
TEST(StepRoundTripTest, AFaceOnABSplineSurfaceKeepsItsArea)
{
    const TempDir dir;
    XdeDocumentImpl read;
    ASSERT_TRUE(XdeModelReader::Open(TestDataFile("step/trj7_b1-ec-214-face.stp"), read, nullptr));
    ASSERT_EQ(read.freeShapes.Size(), 1);
    const TopoDS_Shape face = XCAFDoc_ShapeTool::GetShape(read.freeShapes.First());
    int lines = 0;
    for (TopExp_Explorer it(face, TopAbs_FACE); it.More(); it.Next()) {
        for (TopExp_Explorer edge(it.Current(), TopAbs_EDGE); edge.More(); edge.Next()) {
            double first = 0.0;
            double last = 0.0;
            const Handle(Geom2d_Curve) curve = BRep_Tool::CurveOnSurface(
                TopoDS::Edge(edge.Current()), TopoDS::Face(it.Current()), first, last);
            lines += !curve.IsNull() && curve->IsKind(STANDARD_TYPE(Geom2d_Line)) ? 1 : 0;
        }
    }
    ASSERT_GT(lines, 0);
    GProp_GProps first;
    BRepGProp::SurfaceProperties(face, first);
    const std::string outline = Outline(read);

    const std::string path = dir.File("face.step");
    ASSERT_TRUE(XdeModelWriter::Save(path, read, {}));
    XdeDocumentImpl back;
    ASSERT_TRUE(XdeModelReader::Open(path, back, nullptr)) << back.failure.Describe();
    ASSERT_EQ(back.freeShapes.Size(), 1);
    GProp_GProps second;
    BRepGProp::SurfaceProperties(XCAFDoc_ShapeTool::GetShape(back.freeShapes.First()), second);
    EXPECT_NEAR(second.Mass(), first.Mass(), 1e-6 * first.Mass());
    EXPECT_LT(second.CentreOfMass().Distance(first.CentreOfMass()), 1e-4);
    EXPECT_EQ(Outline(back), outline);
}

// An edge without ends has no place in a STEP file: OpenCASCADE would write it with an endless
// parameter and a missing point, which no reader takes.
TEST(StepRoundTripTest, AnEndlessEdgeIsLeftOutAndSaidSoAndTheRestReadsBack)
{
    const TempDir dir;
    XcafBuilder builder;
    const TopoDS_Edge endless = BRepBuilderAPI_MakeEdge(gp_Lin(gp_Pnt(0, 0, 0), gp::DX())).Edge();
    const TopoDS_Edge ray =
        BRepBuilderAPI_MakeEdge(gp_Lin(gp_Pnt(0, 0, 0), gp::DY()), 0, Precision::Infinite()).Edge();
    const TopoDS_Edge segment = Segment(gp_Pnt(0, 0, 0), gp_Pnt(0, 0, 10));
    const TDF_Label part = builder.AddPart("construction", MakeCompound({endless, segment, ray}));
    ColourEdge(builder, part, segment, kRed);
    builder.AddPart("block", MakeBox(1, 1, 1));
    builder.Finish();
    builder.GetImpl().RefreshTools();
    const std::string path = dir.File("lines.step");
    const XdeWriteResult result = XdeModelWriter::Save(path, builder.GetImpl(), {});
    ASSERT_TRUE(result) << result.failure;
    EXPECT_EQ(result.warnings,
              std::vector<std::string>{"'construction': 2 edges without an end are left out: "
                                       "STEP holds only bounded curves"});
    const std::string text = ReadWholeFile(path);
    EXPECT_EQ(text.find("NUL REF"), std::string::npos);
    EXPECT_EQ(text.find("E+100"), std::string::npos);
    XdeDocumentImpl back;
    ASSERT_TRUE(XdeModelReader::Open(path, back, nullptr)) << back.failure.Describe();
    EXPECT_EQ(Outline(back), "part 'construction', 0 faces, 1 edges [ curve #FF0000 ], 2 vertices\n"
                             "part 'block', 6 faces, 12 edges, 8 vertices\n");
}

// Faces outside a shell come back in shells, as many as the warning says: the faces that share
// edges in one, each other face in one of its own, and a part that is a face in one.
TEST(StepRoundTripTest, LooseFacesComeBackInTheShellsTheWarningCounts)
{
    const TempDir dir;
    XcafBuilder builder;
    const TopoDS_Shape apart = LooseFaces(MakeBox(1, 1, 1).Moved(Translation(50, 0, 0)));
    builder.AddPart(
        "skin", MakeCompound({LooseFaces(MakeBox(10, 20, 30)), TopoDS_Iterator(apart).Value()}));
    builder.AddPart("sheet", TopoDS_Iterator(LooseFaces(MakeBox(2, 2, 2))).Value());
    builder.AddPart("block", MakeBox(1, 2, 3));
    builder.Finish();
    builder.GetImpl().RefreshTools();
    const std::string path = dir.File("faces.step");
    const XdeWriteResult result = XdeModelWriter::Save(path, builder.GetImpl(), {});
    ASSERT_TRUE(result) << result.failure;
    EXPECT_EQ(result.warnings, std::vector<std::string>{"8 faces that lie in no shell are written "
                                                        "in 3 shells: STEP holds faces only in "
                                                        "shells"});
    XdeDocumentImpl back;
    ASSERT_TRUE(XdeModelReader::Open(path, back, nullptr)) << back.failure.Describe();
    TopTools_IndexedMapOfShape shells;
    TopTools_IndexedMapOfShape faces;
    for (const TDF_Label& root : back.freeShapes) {
        TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(root), TopAbs_SHELL, shells);
        TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(root), TopAbs_FACE, faces);
    }
    // The block's own shell besides.
    EXPECT_EQ(shells.Extent(), 3 + 1);
    EXPECT_EQ(faces.Extent(), 8 + 6);
}

// The dimensions of a model, one line each, sorted: type, value, how many faces or edges each
// end names, and whether it has a presentation.
std::vector<std::string> DimensionsOf(const XdeDocumentImpl& impl)
{
    std::vector<std::string> lines;
    TDF_LabelSequence labels;
    impl.dimTolTool->GetDimensionLabels(labels);
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Dimension) dimension;
        if (!label.FindAttribute(XCAFDoc_Dimension::GetID(), dimension)) {
            continue;
        }
        const Handle(XCAFDimTolObjects_DimensionObject) object = dimension->GetObject();
        TDF_LabelSequence first;
        TDF_LabelSequence second;
        impl.dimTolTool->GetRefShapeLabel(label, first, second);
        std::ostringstream line;
        line.precision(9);
        line << "type " << int(object->GetType()) << " value " << object->GetValue() << " ends "
             << first.Length() << "+" << second.Length()
             << (object->GetPresentation().IsNull() ? "" : " shown");
        lines.push_back(line.str());
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Dimensions as OpenCASCADE's reader gives them are written so that they read back the same: a
// distance with its first end alone (the reader finds no second one where the path of the
// distance takes its place), one of no known kind (a size the file gives no value), a label
// that names no shape and shows its text, and angles, which the document holds in degrees. A
// size that measures nothing has no form a reader takes: it alone is left out, and said so.
TEST(StepRoundTripTest, DimensionsReadBackAsTheReaderGaveThem)
{
    const TempDir dir;
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("block", MakeBox(10, 20, 30));
    const TDF_Label x0 = builder.AddSubShape(box, TopAbs_FACE, 0);
    const TDF_Label x1 = builder.AddSubShape(box, TopAbs_FACE, 1);
    const TDF_Label y0 = builder.AddSubShape(box, TopAbs_FACE, 2);
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Location_LinearDistance, 10, {x0}, {x1});
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Location_LinearDistance, 12.5, {x0});
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Location_None, 0, {y0});
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Location_Angular, 90, {x0}, {y0});
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Angular, 45, {y0});
    const TDF_Label note = builder.AddDimension(XCAFDimTolObjects_DimensionType_CommonLabel, 0, {});
    Handle(XCAFDoc_Dimension) noteAttribute;
    ASSERT_TRUE(note.FindAttribute(XCAFDoc_Dimension::GetID(), noteAttribute));
    const Handle(XCAFDimTolObjects_DimensionObject) text = noteAttribute->GetObject();
    text->SetPresentation(MakeCompound({Segment(gp_Pnt(0, 0, 40), gp_Pnt(5, 0, 40))}),
                          new TCollection_HAsciiString("note"));
    noteAttribute->SetObject(text);
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Diameter, 8, {});
    builder.Finish();
    builder.GetImpl().RefreshTools();

    const std::vector<std::string> expected = {
        "type 0 value 0 ends 1+0",   "type 11 value 90 ends 1+1",
        "type 2 value 10 ends 1+1",  "type 2 value 12.5 ends 1+0",
        "type 28 value 45 ends 1+0", "type 30 value 0 ends 0+0 shown"};
    XdeDocumentImpl* model = &builder.GetImpl();
    XdeDocumentImpl generations[2];
    for (XdeDocumentImpl& back : generations) {
        const bool first = model == &builder.GetImpl();
        SCOPED_TRACE(first ? "first" : "second");
        const std::string path = dir.File("dimensions.step");
        const XdeWriteResult result = XdeModelWriter::Save(path, *model, {});
        ASSERT_TRUE(result) << result.failure;
        EXPECT_EQ(result.warnings,
                  first ? std::vector<std::string>{"1 dimensions lack a face or edge they "
                                                   "measure, or a presentation to show, and are "
                                                   "left out"}
                        : std::vector<std::string>{});
        // Written in the file's unit, the radian, an angle of 90 degrees is a quarter turn.
        EXPECT_NE(ReadWholeFile(path).find("POSITIVE_PLANE_ANGLE_MEASURE(1.570796326"),
                  std::string::npos);
        ASSERT_TRUE(XdeModelReader::Open(path, back, nullptr)) << back.failure.Describe();
        EXPECT_EQ(DimensionsOf(back), expected);
        model = &back;
    }
}

// Two half tubes swept along a helix and sharing their two long edges, as an IGES spring holds
// its coil. With `bend` above 0, the pcurve of an end edge of the second leaves its corner over
// the shared edge by that much (as the spring's does): a coarse polygon of it steps over the bend,
// a fine one crosses the shared edge.
TopoDS_Shape MakeHalfTubeCoil(double bend)
{
    Handle(Geom_CylindricalSurface) cylinder = new Geom_CylindricalSurface(gp_Ax3(), 15.0);
    const gp_Vec2d turn(2.0 * M_PI, 8.0);
    TopoDS_Edge helix = BRepBuilderAPI_MakeEdge(new Geom2d_Line(gp_Pnt2d(), gp_Dir2d(turn)),
                                                cylinder, 0.0, 5.0 * turn.Magnitude());
    BRepLib::BuildCurves3d(helix);
    gp_Pnt start;
    gp_Vec tangent;
    BRepAdaptor_Curve(helix).D1(0.0, start, tangent);
    const gp_Circ section(gp_Ax2(start, gp_Dir(tangent), gp::DX()), 2.5);
    const TopoDS_Wire profile =
        BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(section, 0.0, M_PI),
                                BRepBuilderAPI_MakeEdge(section, M_PI, 2 * M_PI));
    const TopoDS_Shape coil =
        BRepOffsetAPI_MakePipe(BRepBuilderAPI_MakeWire(helix), profile).Shape();
    if (bend <= 0.0) {
        return coil;
    }
    TopExp_Explorer faces(coil, TopAbs_FACE);
    faces.Next();
    const TopoDS_Face face = TopoDS::Face(faces.Current());
    for (TopExp_Explorer it(face, TopAbs_EDGE); it.More(); it.Next()) {
        const TopoDS_Edge edge = TopoDS::Edge(it.Current());
        double first = 0.0;
        double last = 0.0;
        const Handle(Geom2d_Curve) pcurve = BRep_Tool::CurveOnSurface(edge, face, first, last);
        const gp_Pnt2d corner = pcurve->Value(first);
        if (std::abs(corner.Y() - pcurve->Value(last).Y()) > 1e-9 || corner.Y() < 1.0) {
            continue; // not the end edge at the far end of the coil
        }
        const int count = 11;
        Handle(TColgp_HArray1OfPnt2d) points = new TColgp_HArray1OfPnt2d(1, count);
        Handle(TColStd_HArray1OfReal) parameters = new TColStd_HArray1OfReal(1, count);
        for (int i = 1; i <= count; ++i) {
            parameters->SetValue(i, first + (last - first) * (i - 1) / (count - 1));
            points->SetValue(i, pcurve->Value(parameters->Value(i)));
        }
        parameters->SetValue(2, first + 0.05 * (last - first));
        points->SetValue(2, gp_Pnt2d(corner.X() - bend, corner.Y() - bend));
        Geom2dAPI_Interpolate bent(points, parameters, Standard_False, 1e-9);
        bent.Perform();
        BRep_Builder().UpdateEdge(edge, bent.Curve(), face, 3.0 * 2.5 * bend);
    }
    return coil;
}

} // namespace

// A wire model goes to glTF as line primitives, one a colour: the part's curve colour, and an
// edge's own where a sub-shape label gives it one. The lines run along the edges, all of them.
TEST_F(ModelIOTest, EdgesAloneGoToGltfAsLinesInTheirColours)
{
    const TopoDS_Edge ab = BRepBuilderAPI_MakeEdge(gp_Pnt(0, 0, 0), gp_Pnt(10, 0, 0));
    const TopoDS_Edge ac = BRepBuilderAPI_MakeEdge(gp_Pnt(0, 0, 0), gp_Pnt(0, 20, 0));
    const TopoDS_Edge arc =
        BRepBuilderAPI_MakeEdge(gp_Circ(gp_Ax2(gp_Pnt(0, 0, 5), gp::DZ()), 5.0), 0.0, M_PI);
    XcafBuilder wires;
    const TDF_Label part = wires.AddPart("wires", MakeCompound({ab, ac, arc}));
    XdeDocumentImpl& impl = wires.GetImpl();
    impl.colorTool->SetColor(part, Quantity_Color(0, 1, 0, Quantity_TOC_RGB), XCAFDoc_ColorCurv);
    impl.colorTool->SetColor(wires.AddSubShape(part, TopAbs_EDGE, 2),
                             Quantity_Color(1, 0, 0, Quantity_TOC_RGB), XCAFDoc_ColorCurv);
    const std::string path = myDir.File("wires.glb");
    const XdeWriteResult result = XdeModelWriter::Save(path, Finished(wires), {});
    ASSERT_TRUE(result) << result.failure;
    EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();

    std::string binary;
    const nlohmann::json gltf = CheckedGlb(path, binary);
    ASSERT_EQ(gltf["meshes"].size(), 1u);
    const nlohmann::json& primitives = gltf["meshes"][0]["primitives"];
    ASSERT_EQ(primitives.size(), 2u);
    // By colour: the edges drawn in it, as one compound to measure distances against.
    std::map<std::vector<float>, std::vector<TopoDS_Edge>> expected{
        {{0.0f, 1.0f, 0.0f, 1.0f}, {ab, ac}}, {{1.0f, 0.0f, 0.0f, 1.0f}, {arc}}};
    for (const nlohmann::json& primitive : primitives) {
        EXPECT_EQ(primitive.value("mode", 4), 1);
        const auto color = gltf["materials"][primitive["material"].get<size_t>()]
                               ["pbrMetallicRoughness"]["baseColorFactor"]
                                   .get<std::vector<float>>();
        ASSERT_EQ(expected.count(color), 1u) << nlohmann::json(color);
        const std::vector<TopoDS_Edge>& edges = expected[color];
        const TopoDS_Compound drawn =
            MakeCompound(std::vector<TopoDS_Shape>(edges.begin(), edges.end()));
        const std::vector<gp_Pnt> points =
            ModelPoints(gltf, binary, primitive["attributes"]["POSITION"].get<int>());
        for (const gp_Pnt& point : points) {
            EXPECT_LT(DistanceTo(point, drawn), 1e-3);
        }
        double length = 0.0;
        for (const TopoDS_Edge& edge : edges) {
            length += CurveLength(edge);
        }
        // Chords fall a little short of the arc; nothing is left out.
        EXPECT_NEAR(SegmentLength(gltf, binary, primitive, points), length, 0.002 * length);
        expected.erase(color);
    }
}

// Where a part has faces and edges besides, glTF keeps both; the formats of triangles alone
// say what they leave out, and refuse a model they would write empty.
TEST_F(ModelIOTest, MeshFormatsSayWhatTheyLeaveOutOfEdges)
{
    const TopoDS_Edge stray = BRepBuilderAPI_MakeEdge(gp_Pnt(0, 0, 50), gp_Pnt(10, 0, 50));
    const auto model = [](const TopoDS_Shape& shape, XcafBuilder& builder) -> XdeDocumentImpl& {
        builder.AddPart("part", shape);
        return Finished(builder);
    };
    XcafBuilder mixed;
    const std::string glb = myDir.File("mixed.glb");
    ASSERT_TRUE(
        XdeModelWriter::Save(glb, model(MakeCompound({MakeBox(10, 10, 10), stray}), mixed), {}));
    std::string binary;
    const nlohmann::json gltf = CheckedGlb(glb, binary);
    std::vector<int> modes;
    for (const nlohmann::json& primitive : gltf["meshes"][0]["primitives"]) {
        modes.push_back(primitive.value("mode", 4));
    }
    EXPECT_EQ(modes, (std::vector<int>{4, 1}));

    XcafBuilder mixedObj;
    const XdeWriteResult obj = XdeModelWriter::Save(
        myDir.File("mixed.obj"), model(MakeCompound({MakeBox(10, 10, 10), stray}), mixedObj), {});
    ASSERT_TRUE(obj) << obj.failure;
    ASSERT_EQ(obj.warnings.size(), 1u);
    EXPECT_NE(obj.warnings.front().find("(1 of them) are left out"), std::string::npos)
        << obj.warnings.front();

    XcafBuilder edgesOnly;
    const XdeWriteResult stl =
        XdeModelWriter::Save(myDir.File("edges.stl"), model(stray, edgesOnly), {});
    EXPECT_NE(stl.failure.find("made of edges alone, which STL cannot hold"), std::string::npos)
        << stl.failure;
    XcafBuilder point;
    const XdeWriteResult empty = XdeModelWriter::Save(
        myDir.File("point.glb"), model(BRepBuilderAPI_MakeVertex(gp_Pnt(1, 2, 3)), point), {});
    EXPECT_EQ(empty.failure, "the model has no faces or edges to write");
}

// A face that would take the mesher past its budget is meshed coarser, alone, and the warning
// names its part; the other faces get the deflection asked, and the same model gives the same
// mesh every time.
TEST_F(ModelIOTest, FaceBeyondTheMeshBudgetIsMeshedCoarserWithAWarning)
{
    const TopoDS_Shape torus = BRepPrimAPI_MakeTorus(30, 5).Shape();
    const TopoDS_Face face = TopoDS::Face(TopExp_Explorer(torus, TopAbs_FACE).Current());
    // The estimate follows what the mesher makes: 26,412 triangles at 0.01 here.
    const double estimate = ShapeMesher::EstimateTriangles(face, 0.01, 0.5);
    EXPECT_GT(estimate, 20000.0);
    EXPECT_LT(estimate, 35000.0);
    EXPECT_NEAR(ShapeMesher::EstimateTriangles(face, 0.04, 0.5), estimate / 4.0, estimate * 0.01);

    XcafBuilder builder;
    const TopoDS_Shape box = MakeBox(10, 10, 10);
    builder.AddPart("ring", MakeCompound({torus, box}));
    XdeWriteOptions options;
    options.deflection = 0.01;
    options.maxFaceTriangles = 2000;
    const std::string path = myDir.File("ring.glb");
    const XdeWriteResult result = XdeModelWriter::Save(path, Finished(builder), options);
    ASSERT_TRUE(result) << result.failure;
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(result.warnings.front().rfind("part 'ring': 1 faces meshed coarser", 0), 0u)
        << result.warnings.front();
    const int triangles = CountTriangles(torus);
    EXPECT_GT(triangles, 200);
    EXPECT_LT(triangles, 2000);
    TopLoc_Location location;
    for (TopExp_Explorer it(box, TopAbs_FACE); it.More(); it.Next()) {
        const Handle(Poly_Triangulation) mesh =
            BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
        ASSERT_FALSE(mesh.IsNull());
    }
    // The file holds the coarse mesh: glTF's own meshing kept it.
    std::string binary;
    const nlohmann::json gltf = CheckedGlb(path, binary);
    size_t written = 0;
    for (const nlohmann::json& primitive : gltf["meshes"][0]["primitives"]) {
        written += gltf["accessors"][primitive["indices"].get<size_t>()]["count"].get<size_t>();
    }
    EXPECT_EQ(written / 3, static_cast<size_t>(triangles + 12));

    BRepTools::Clean(torus);
    const ShapeMesher::Result again = ShapeMesher::Mesh(torus, 0.01, 0.5, 2000);
    EXPECT_EQ(again.coarsened, 1);
    EXPECT_EQ(CountTriangles(torus), triangles);
}

TEST_F(ModelIOTest, FaceWhoseBordersCrossIsMeshedAloneCoarserWithAWarning)
{
    const TopoDS_Shape clean = MakeHalfTubeCoil(0.0);
    ShapeMesher::Mesh(clean, 0.1, 0.5);
    std::vector<int> cleanTriangles;
    for (TopExp_Explorer it(clean, TopAbs_FACE); it.More(); it.Next()) {
        cleanTriangles.push_back(CountTriangles(it.Current()));
    }
    ASSERT_EQ(cleanTriangles.size(), 2u);

    // BRepMesh finds the bent end crossing the shared edge at 0.1 and refines both five times
    // before it gives the face up; the first half tube, meshed with them, then got 9,029
    // triangles instead of 5,230, and the second none. A coil of the real spring's size never
    // finished.
    const TopoDS_Shape coil = MakeHalfTubeCoil(0.1);
    XcafBuilder builder;
    builder.AddPart("coil", coil);
    XdeWriteOptions options;
    options.deflection = 0.1;
    const XdeWriteResult result =
        XdeModelWriter::Save(myDir.File("coil.glb"), Finished(builder), options);
    ASSERT_TRUE(result) << result.failure;
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(result.warnings.front().rfind("part 'coil': 1 faces meshed coarser", 0), 0u);
    EXPECT_NE(result.warnings.front().find("borders cross"), std::string::npos)
        << result.warnings.front();
    TopExp_Explorer faces(coil, TopAbs_FACE);
    const TopoDS_Shape whole = faces.Current();
    faces.Next();
    const TopoDS_Shape crossed = faces.Current();
    // The first keeps the shared edges' points asked for; the second has triangles, fewer.
    EXPECT_EQ(CountTriangles(whole), cleanTriangles[0]);
    const int triangles = CountTriangles(crossed);
    EXPECT_GT(triangles, 100);
    EXPECT_LT(triangles, cleanTriangles[1]);

    BRepTools::Clean(coil);
    const ShapeMesher::Result again = ShapeMesher::Mesh(coil, 0.1, 0.5);
    EXPECT_EQ(again.coarsened, 0);
    EXPECT_EQ(again.crossed, 1);
    EXPECT_DOUBLE_EQ(again.crossedDeflection, 0.2);
    EXPECT_EQ(CountTriangles(whole), cleanTriangles[0]);
    EXPECT_EQ(CountTriangles(crossed), triangles);
}
