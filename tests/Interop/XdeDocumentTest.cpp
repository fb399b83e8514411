// XdeDocument, XdeDocumentI and XdeDocumentO: extensions, the shape list, shape kinds, colours,
// and documents written with XdeDocumentO and read back.
#include "Support/TestSupport.h"

#include "Common/Core/StringUtil.h"
#include "Data/Kernel/InstanceElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "Geometry/Kernel/TopoShape.h"
#include "Interop/Kernel/XdeDocumentIGES.h"
#include "Interop/Kernel/XdeLabelImpl.h"
#include "Xde2Doc.h"
#include "XdeDocumentI.h"
#include "XdeDocumentO.h"
#include "XdeNode.h"
#include "XdeNodeIterator.h"

#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <Standard_OutOfRange.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_LayerTool.hxx>
#include <gp_Ax1.hxx>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

using namespace orvkit;
using namespace orvtest;

namespace {

// The reader and the writer with their kernel document and extension test in reach, so that
// tests can build labels directly and look at what the writer stored.
class KernelReader : public XdeDocumentI {
public:
    using XdeDocument::GetImpl;
    using XdeDocument::ParseDocType;
};

class KernelWriter : public XdeDocumentO {
public:
    using XdeDocument::GetImpl;
};

const glm::vec3 kFallback(0.5f, 0.25f, 0.125f);

::testing::AssertionResult VecNear(const glm::vec3& expected, const glm::vec3& actual,
                                   float tolerance = 1e-6f)
{
    for (int i = 0; i < 3; ++i) {
        if (std::abs(expected[i] - actual[i]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "expected (" << expected.r << ", " << expected.g << ", " << expected.b
                   << ") got (" << actual.r << ", " << actual.g << ", " << actual.b << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult TrsfNear(const gp_Trsf& expected, const gp_Trsf& actual)
{
    for (int row = 1; row <= 3; ++row) {
        for (int column = 1; column <= 4; ++column) {
            if (std::abs(expected.Value(row, column) - actual.Value(row, column)) > 1e-9) {
                return ::testing::AssertionFailure()
                       << "entry (" << row << ", " << column << "): expected "
                       << expected.Value(row, column) << " got " << actual.Value(row, column);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

gp_Trsf Placement(const gp_Dir& axis, double angle, const gp_Vec& move)
{
    gp_Trsf placement;
    placement.SetRotation(gp_Ax1(gp_Pnt(0, 0, 0), axis), angle);
    placement.SetTranslationPart(move);
    return placement;
}

Quantity_Color Rgb(double r, double g, double b)
{
    return Quantity_Color(r, g, b, Quantity_TOC_RGB);
}

const TDF_Label& LabelOf(const std::shared_ptr<XdeNode>& node)
{
    return node->GetImpl()->label;
}

std::vector<std::shared_ptr<XdeNode>> Children(const std::shared_ptr<XdeNode>& node)
{
    std::vector<std::shared_ptr<XdeNode>> children;
    for (XdeNodeIterator it(node); it.More(); it.Next()) {
        children.push_back(it.Value());
    }
    return children;
}

// The texts of the captured records, with their levels.
std::vector<std::pair<int, std::string>> Records(const ScopedLogCapture& log)
{
    std::vector<std::pair<int, std::string>> records;
    for (const LogRecord& record : log->GetRecords()) {
        records.emplace_back(record.level, record.text);
    }
    return records;
}

std::vector<std::pair<int, std::string>> BeginEnd(const std::string& path)
{
    return {{1, "Xde: Begin " + path}, {1, "Xde: End."}};
}

class XdeDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        XcafBuilder builder;
        const TDF_Label box = builder.AddPart("Box", MakeBox(1, 2, 3));
        const TDF_Label frame = builder.AddAssembly("Frame");
        builder.AddComponent(frame, box, Translation(5, 0, 0), "box_1");
        builder.AddPart("Loose", MakeCylinder(1, 2));
        myStep = myDir.File("model.step");
        ASSERT_TRUE(builder.SaveStep(myStep));
        myIges = myDir.File("model.iges");
        ASSERT_TRUE(XdeDocumentIGES::Save(myIges, builder.GetImpl(), nullptr));
    }

    std::string CopyAs(const std::string& source, const std::string& name) const
    {
        const std::string target = myDir.File(name);
        std::filesystem::copy_file(source, target,
                                   std::filesystem::copy_options::overwrite_existing);
        return target;
    }

    static std::wstring Wide(const std::string& path) { return StringUtil::ToW(path); }

    TempDir myDir;
    std::string myStep;
    std::string myIges;
};

// --- Extensions -----------------------------------------------------------------------------

TEST_F(XdeDocumentTest, ExtensionsAreComparedWholeAndCaseSensitively)
{
    const KernelReader reader;
    EXPECT_EQ(reader.ParseDocType(L".stp"), EnumXdeDocType::STEP);
    EXPECT_EQ(reader.ParseDocType(L".step"), EnumXdeDocType::STEP);
    EXPECT_EQ(reader.ParseDocType(L".igs"), EnumXdeDocType::IGES);
    EXPECT_EQ(reader.ParseDocType(L".iges"), EnumXdeDocType::IGES);
    for (const wchar_t* other : {L"", L"step", L"iges", L".STEP", L".Stp", L".IGS", L".iges ",
                                 L".stpz", L".st", L".stl"}) {
        EXPECT_EQ(reader.ParseDocType(other), EnumXdeDocType::None) << other;
    }
}

// A missing or broken file fails between the two records as well; a non-ASCII path reaches
// the kernel as UTF-8.
TEST_F(XdeDocumentTest, OpenReadsExactExtensionsOnlyAndAlwaysLogsBeginAndEnd)
{
    enum Outcome { Read, Refused, Failed };
    const std::string garbage = myDir.Write("garbage.igs", "not an IGES file\n");
    const std::pair<std::string, Outcome> cases[] = {
        {CopyAs(myStep, "a.stp"), Read},       {CopyAs(myStep, "a.step"), Read},
        {CopyAs(myIges, "a.igs"), Read},       {CopyAs(myIges, "a.iges"), Read},
        {CopyAs(myStep, "装配 Ø.step"), Read}, {CopyAs(myStep, "b.STEP"), Refused},
        {CopyAs(myStep, "b.Stp"), Refused},    {CopyAs(myIges, "b.IGES"), Refused},
        {CopyAs(myStep, "b.stl"), Refused},    {CopyAs(myStep, "noextension"), Refused},
        {myDir.File("missing.step"), Failed},  {garbage, Failed},
    };
    for (const auto& [path, outcome] : cases) {
        ScopedLogCapture log;
        XdeDocumentI reader;
        EXPECT_EQ(reader.Open(Wide(path)), outcome == Read) << path;
        EXPECT_EQ(reader.GetShapeCount(), outcome == Read ? 2 : 0) << path;
        const auto records = Records(log);
        ASSERT_GE(records.size(), 2u) << path;
        EXPECT_EQ(records.front(), BeginEnd(path)[0]);
        EXPECT_EQ(records.back(), BeginEnd(path)[1]);
        if (outcome == Refused) {
            // Nothing was handed to the kernel, and nothing counts as an error.
            EXPECT_EQ(records, BeginEnd(path));
        }
    }
}

TEST_F(XdeDocumentTest, SaveWritesTheFormatOfExactExtensionsOnly)
{
    XdeDocumentO writer;
    writer.New();
    writer.AddShape(TopoShape::Create(MakeBox(1, 1, 1)));
    const std::pair<const char*, bool> written[] = {
        {"out.stp", true}, {"out.step", true}, {"out.igs", false}, {"out.iges", false}};
    for (const auto& [name, step] : written) {
        const std::string path = myDir.File(name);
        ScopedLogCapture log;
        ASSERT_TRUE(writer.Save(Wide(path))) << name;
        EXPECT_EQ(ReadWholeFile(path).rfind("ISO-10303-21;", 0) == 0, step) << name;
        EXPECT_TRUE(log.Contains(1, "Xde: Begin " + path));
        EXPECT_EQ(Records(log).back(), BeginEnd(path)[1]);
    }
    for (const char* name : {"out.STEP", "out.Stp", "out.IGS", "out.stl", "out"}) {
        const std::string path = myDir.File(name);
        ScopedLogCapture log;
        EXPECT_FALSE(writer.Save(Wide(path))) << name;
        EXPECT_FALSE(std::filesystem::exists(path)) << name;
        EXPECT_EQ(Records(log), BeginEnd(path));
    }
}

// --- Shape list and kinds -------------------------------------------------------------------

TEST_F(XdeDocumentTest, ShapeListIsZeroBasedAndRaisesOutOfRangeAtItsEnd)
{
    XdeDocumentI reader;
    ASSERT_TRUE(reader.Open(Wide(myStep)));
    ASSERT_EQ(reader.GetShapeCount(), 2);
    std::set<std::string> names{reader.GetShapeNode(0)->GetName(),
                                reader.GetShapeNode(1)->GetName()};
    EXPECT_EQ(names, (std::set<std::string>{"Frame", "Loose"}));
    EXPECT_THROW(reader.GetShapeNode(reader.GetShapeCount()), Standard_OutOfRange);
    EXPECT_THROW(reader.GetShapeNode(-1), Standard_OutOfRange);
    try {
        reader.GetShapeNode(reader.GetShapeCount());
    } catch (const Standard_OutOfRange& error) {
        EXPECT_STREQ(error.GetMessageString(), "NCollection_Sequence::Value");
    }
}

TEST_F(XdeDocumentTest, KindsOfAssemblyComponentAndFreePart)
{
    KernelReader reader;
    ASSERT_TRUE(reader.Open(Wide(myStep)));
    ASSERT_EQ(reader.GetShapeCount(), 2);
    std::shared_ptr<XdeNode> frame = reader.GetShapeNode(0);
    std::shared_ptr<XdeNode> loose = reader.GetShapeNode(1);
    if (frame->GetName() != "Frame") {
        std::swap(frame, loose);
    }
    EXPECT_EQ(reader.GetShapeType(frame), EnumXdeShapeType::Assembly);
    EXPECT_TRUE(reader.IsAssembly(frame));
    EXPECT_FALSE(reader.IsSimpleShape(frame));
    EXPECT_EQ(reader.GetReferencedShape(frame), nullptr);

    // Free and simple: simple wins.
    EXPECT_TRUE(XCAFDoc_ShapeTool::IsFree(LabelOf(loose)));
    EXPECT_EQ(reader.GetShapeType(loose), EnumXdeShapeType::Simple);
    EXPECT_TRUE(reader.IsSimpleShape(loose));
    ASSERT_NE(reader.GetShape(loose), nullptr);
    EXPECT_EQ(reader.GetShape(loose)->GetShapeType(), TopoShapeSolid);

    const auto components = Children(frame);
    ASSERT_EQ(components.size(), 1u);
    const auto& component = components[0];
    EXPECT_EQ(reader.GetShapeType(component), EnumXdeShapeType::Reference);
    EXPECT_TRUE(reader.IsReference(component));
    EXPECT_FALSE(reader.IsAssembly(component));
    const auto box = reader.GetReferencedShape(component);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetName(), "Box");
    EXPECT_EQ(reader.GetShapeType(box), EnumXdeShapeType::Simple);

    const auto root = reader.GetRootNode();
    EXPECT_EQ(LabelOf(root), reader.GetImpl().GetMain());
    // Nothing refers to the root, and it is neither shape nor assembly nor reference.
    EXPECT_EQ(reader.GetShapeType(root), EnumXdeShapeType::Free);
    EXPECT_EQ(reader.GetShape(root), nullptr);
}

// --- Colours --------------------------------------------------------------------------------

class XdeColorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        XdeDocumentImpl& impl = myReader.GetImpl();
        myPart = impl.shapeTool->AddShape(MakeBox(1, 2, 3), Standard_False);
        myNode = std::make_shared<XdeNode>(myPart);
        myLayers = XCAFDoc_DocumentTool::LayerTool(impl.GetMain());
    }

    // A layer holding the part, with a generic colour when one is given.
    TDF_Label AddLayer(const char* name, const Quantity_Color* color)
    {
        myLayers->SetLayer(myPart, TCollection_ExtendedString(name));
        const TDF_Label layer = myLayers->FindLayer(TCollection_ExtendedString(name));
        if (color != nullptr) {
            ColorTool()->SetColor(layer, *color, XCAFDoc_ColorGen);
        }
        return layer;
    }

    const Handle(XCAFDoc_ColorTool)& ColorTool() { return myReader.GetImpl().colorTool; }

    KernelReader myReader;
    TDF_Label myPart;
    std::shared_ptr<XdeNode> myNode;
    Handle(XCAFDoc_LayerTool) myLayers;
};

TEST_F(XdeColorTest, LabelColourIsSurfaceThenGenericThenTheFallback)
{
    EXPECT_TRUE(VecNear(kFallback, myReader.GetColor(myNode, kFallback)));
    ColorTool()->SetColor(myPart, Rgb(0.2, 0.4, 0.6), XCAFDoc_ColorGen);
    EXPECT_TRUE(VecNear({0.2f, 0.4f, 0.6f}, myReader.GetColor(myNode, kFallback)));
    ColorTool()->SetColor(myPart, Rgb(0.9, 0.1, 0.3), XCAFDoc_ColorSurf);
    EXPECT_TRUE(VecNear({0.9f, 0.1f, 0.3f}, myReader.GetColor(myNode, kFallback)));
    // A curve colour is not a label colour.
    ColorTool()->UnSetColor(myPart, XCAFDoc_ColorSurf);
    ColorTool()->UnSetColor(myPart, XCAFDoc_ColorGen);
    ColorTool()->SetColor(myPart, Rgb(0, 1, 0), XCAFDoc_ColorCurv);
    EXPECT_TRUE(VecNear(kFallback, myReader.GetColor(myNode, kFallback)));
}

TEST_F(XdeColorTest, ColourByLayerOnOneLayerTakesTheLayersGenericColour)
{
    const Quantity_Color layerColor = Rgb(0.1, 0.7, 0.3);
    const TDF_Label layer = AddLayer("Level 7", &layerColor);
    ColorTool()->SetColor(myPart, Rgb(1, 0, 0), XCAFDoc_ColorSurf);
    ColorTool()->SetColorByLayer(myPart, Standard_True);
    EXPECT_TRUE(VecNear({0.1f, 0.7f, 0.3f}, myReader.GetColor(myNode, kFallback)));

    // Not coloured by layer: the layer is not looked at.
    ColorTool()->SetColorByLayer(myPart, Standard_False);
    EXPECT_TRUE(VecNear({1, 0, 0}, myReader.GetColor(myNode, kFallback)));

    // A layer without a generic colour gives way to the label's own colour.
    ColorTool()->SetColorByLayer(myPart, Standard_True);
    ColorTool()->UnSetColor(layer, XCAFDoc_ColorGen);
    ColorTool()->SetColor(layer, Rgb(0, 0, 1), XCAFDoc_ColorSurf);
    EXPECT_TRUE(VecNear({1, 0, 0}, myReader.GetColor(myNode, kFallback)));
}

TEST_F(XdeColorTest, ColourByLayerOnTwoLayersFallsBackToTheLabelsOwnColour)
{
    const Quantity_Color first = Rgb(0.1, 0.7, 0.3);
    const Quantity_Color second = Rgb(0.6, 0.6, 0.0);
    AddLayer("A", &first);
    AddLayer("B", &second);
    ColorTool()->SetColorByLayer(myPart, Standard_True);
    EXPECT_TRUE(VecNear(kFallback, myReader.GetColor(myNode, kFallback)));
    ColorTool()->SetColor(myPart, Rgb(0.3, 0.3, 0.9), XCAFDoc_ColorGen);
    EXPECT_TRUE(VecNear({0.3f, 0.3f, 0.9f}, myReader.GetColor(myNode, kFallback)));
}

TEST_F(XdeColorTest, GenericShapeColourIsSeenByFacesButNotByEdges)
{
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(myReader.GetImpl().shapeTool->GetShape(myPart), TopAbs_FACE, faces);
    const auto face = TopoShape::Create(faces(1));
    const TDF_Label faceLabel = myReader.GetImpl().shapeTool->AddSubShape(myPart, faces(1));
    ColorTool()->SetColor(faceLabel, Rgb(0.25, 0.5, 0.75), XCAFDoc_ColorGen);
    EXPECT_TRUE(VecNear({0.25f, 0.5f, 0.75f}, myReader.GetFaceColor(face, kFallback)));
    EXPECT_TRUE(VecNear(kFallback, myReader.GetEdgeColor(face, kFallback)));

    // The surface colour wins over the generic one; the curve colour is the edges' own.
    ColorTool()->SetColor(faceLabel, Rgb(1, 0, 0), XCAFDoc_ColorSurf);
    ColorTool()->SetColor(faceLabel, Rgb(0, 0, 1), XCAFDoc_ColorCurv);
    EXPECT_TRUE(VecNear({1, 0, 0}, myReader.GetFaceColor(face, kFallback)));
    EXPECT_TRUE(VecNear({0, 0, 1}, myReader.GetEdgeColor(face, kFallback)));

    // A shape the document does not know has neither.
    const auto stranger = TopoShape::Create(MakeBox(4, 4, 4));
    EXPECT_TRUE(VecNear(kFallback, myReader.GetFaceColor(stranger, kFallback)));
    EXPECT_TRUE(VecNear(kFallback, myReader.GetEdgeColor(stranger, kFallback)));
}

// --- Writer ---------------------------------------------------------------------------------

TEST_F(XdeDocumentTest, AddShapeAndNewChildMakeLabelsInTheDocument)
{
    KernelWriter writer;
    writer.New();
    const auto box = TopoShape::Create(MakeBox(1, 2, 3));
    const auto node = writer.AddShape(box);
    ASSERT_FALSE(node->IsNullLabel());
    EXPECT_TRUE(writer.GetImpl().shapeTool->GetShape(LabelOf(node)).IsSame(box->GetImpl()));
    TDF_LabelSequence free;
    writer.GetImpl().shapeTool->GetFreeShapes(free);
    EXPECT_EQ(free.Length(), 1);

    const int before = node->NbChildren();
    const auto first = writer.NewChild(node);
    const auto second = writer.NewChild(node);
    EXPECT_NE(LabelOf(first), LabelOf(second));
    EXPECT_EQ(node->NbChildren(), before + 2);
    EXPECT_EQ(LabelOf(first).Father(), LabelOf(node));
    EXPECT_EQ(LabelOf(first).NbAttributes(), 0);

    writer.New();
    writer.GetImpl().shapeTool->GetFreeShapes(free);
    EXPECT_EQ(free.Length(), 0);
}

TEST_F(XdeDocumentTest, SurfaceAndCurveColoursAreKeptSideBySide)
{
    KernelWriter writer;
    writer.New();
    const auto box = TopoShape::Create(MakeBox(1, 2, 3));
    writer.AddShape(box);
    writer.SetSurfaceColor(box, {1, 0, 0});
    writer.SetCurveColor(box, {0.2f, 0.4f, 0.6f});
    const Handle(XCAFDoc_ColorTool)& colors = writer.GetImpl().colorTool;
    Quantity_Color color;
    ASSERT_TRUE(colors->GetColor(box->GetImpl(), XCAFDoc_ColorSurf, color));
    EXPECT_TRUE(ColorNear(color, 1, 0, 0));
    ASSERT_TRUE(colors->GetColor(box->GetImpl(), XCAFDoc_ColorCurv, color));
    EXPECT_NEAR(color.Red(), 0.2f, 1e-7);
    EXPECT_NEAR(color.Green(), 0.4f, 1e-7);
    EXPECT_NEAR(color.Blue(), 0.6f, 1e-7);
}

TEST_F(XdeDocumentTest, ColourOnAShapeNeverAddedChangesNothing)
{
    KernelWriter writer;
    writer.New();
    const auto node = writer.AddShape(TopoShape::Create(MakeBox(1, 2, 3)));
    const auto stranger = TopoShape::Create(MakeCylinder(1, 1));
    const TDF_Label shapes = writer.GetImpl().shapeTool->Label();
    const TDF_Label colorLabels = writer.GetImpl().colorTool->Label();
    const int shapeLabels = shapes.NbChildren();
    const int subShapes = node->NbChildren();

    EXPECT_NO_THROW(writer.SetSurfaceColor(stranger, {1, 0, 0}));
    EXPECT_NO_THROW(writer.SetCurveColor(stranger, {0, 1, 0}));
    EXPECT_EQ(colorLabels.NbChildren(), 0);
    EXPECT_EQ(shapes.NbChildren(), shapeLabels);
    EXPECT_EQ(node->NbChildren(), subShapes);

    const std::string path = myDir.File("uncoloured.step");
    ASSERT_TRUE(writer.Save(Wide(path)));
    XdeDocumentI reader;
    ASSERT_TRUE(reader.Open(Wide(path)));
    ASSERT_EQ(reader.GetShapeCount(), 1);
    EXPECT_TRUE(VecNear(kFallback, reader.GetColor(reader.GetShapeNode(0), kFallback)));
}

// --- Round trip -----------------------------------------------------------------------------

// An assembly written with XdeDocumentO: "Top" holds the sub-assembly "Sub Ω" and the box;
// the sub-assembly holds the box again and the cylinder. Every placement turns as well as
// moves; the cylinder has a surface colour and the box a curve colour.
class XdeRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        myBox = MakeBox(10, 20, 30);
        myCylinder = MakeCylinder(5, 40);
        myBoxInSub = Placement(gp::DZ(), M_PI / 2, gp_Vec(100, 0, 0));
        myCylinderInSub = Placement(gp::DX(), M_PI / 6, gp_Vec(0, 50, 0));
        mySubInTop = Placement(gp_Dir(1, 1, 1), 0.7, gp_Vec(-20, 30, 400));
        myBoxInTop = Placement(gp::DY(), -M_PI / 4, gp_Vec(0, 0, -60));
        const TopoDS_Shape sub = MakeCompound({myBox.Moved(TopLoc_Location(myBoxInSub)),
                                               myCylinder.Moved(TopLoc_Location(myCylinderInSub))});
        myTop = MakeCompound(
            {sub.Moved(TopLoc_Location(mySubInTop)), myBox.Moved(TopLoc_Location(myBoxInTop))});

        XdeDocumentO writer;
        writer.New();
        // Parts and the sub-assembly first, so that the top assembly refers to their labels.
        const auto box = TopoShape::Create(myBox);
        const auto cylinder = TopoShape::Create(myCylinder);
        writer.AddShape(box)->SetName(kBoxName);
        writer.AddShape(cylinder)->SetName(kCylinderName);
        const auto subNode = writer.AddShape(TopoShape::Create(sub));
        subNode->SetName(kSubName);
        const auto topNode = writer.AddShape(TopoShape::Create(myTop));
        topNode->SetName("Top");
        NameComponents(subNode, {"底座-1", "cyl-1"});
        NameComponents(topNode, {"sub-1", "底座-2"});
        writer.SetSurfaceColor(cylinder, kSurface);
        writer.SetCurveColor(box, kCurve);

        myStep = myDir.File("round trip.step");
        myIges = myDir.File("round trip.igs");
        ASSERT_TRUE(writer.Save(StringUtil::ToW(myStep)));
        ASSERT_TRUE(writer.Save(StringUtil::ToW(myIges)));
    }

    static void NameComponents(const std::shared_ptr<XdeNode>& assembly,
                               const std::vector<std::string>& names)
    {
        XdeNodeIterator it(assembly);
        for (const std::string& name : names) {
            ASSERT_TRUE(it.More());
            it.Value()->SetName(name);
            it.Next();
        }
        ASSERT_FALSE(it.More());
    }

    static constexpr const char* kBoxName = "底座 Box";
    static constexpr const char* kCylinderName = "Zylinder Ø5";
    static constexpr const char* kSubName = "Sub Ω";
    const glm::vec3 kSurface{0.2f, 0.4f, 0.6f};
    const glm::vec3 kCurve{1.0f, 0.0f, 0.0f};

    TempDir myDir;
    TopoDS_Shape myBox;
    TopoDS_Shape myCylinder;
    TopoDS_Shape myTop;
    gp_Trsf myBoxInSub;
    gp_Trsf myCylinderInSub;
    gp_Trsf mySubInTop;
    gp_Trsf myBoxInTop;
    std::string myStep;
    std::string myIges;
};

TEST_F(XdeRoundTripTest, StepKeepsStructureNamesPlacementsAndColours)
{
    XdeDocumentI reader;
    ASSERT_TRUE(reader.Open(StringUtil::ToW(myStep)));
    ASSERT_EQ(reader.GetShapeCount(), 1);
    const auto top = reader.GetShapeNode(0);
    EXPECT_EQ(top->GetName(), "Top");
    EXPECT_EQ(reader.GetShapeType(top), EnumXdeShapeType::Assembly);

    const auto topComponents = Children(top);
    ASSERT_EQ(topComponents.size(), 2u);
    EXPECT_EQ(topComponents[0]->GetName(), "sub-1");
    EXPECT_EQ(topComponents[1]->GetName(), "底座-2");
    EXPECT_TRUE(TrsfNear(mySubInTop, topComponents[0]->GetLocation()));
    EXPECT_TRUE(TrsfNear(myBoxInTop, topComponents[1]->GetLocation()));

    const auto sub = reader.GetReferencedShape(topComponents[0]);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->GetName(), kSubName);
    EXPECT_EQ(reader.GetShapeType(sub), EnumXdeShapeType::Assembly);
    const auto subComponents = Children(sub);
    ASSERT_EQ(subComponents.size(), 2u);
    EXPECT_EQ(subComponents[0]->GetName(), "底座-1");
    EXPECT_EQ(subComponents[1]->GetName(), "cyl-1");
    EXPECT_TRUE(TrsfNear(myBoxInSub, subComponents[0]->GetLocation()));
    EXPECT_TRUE(TrsfNear(myCylinderInSub, subComponents[1]->GetLocation()));

    // Both box components refer to one part label.
    const auto box = reader.GetReferencedShape(topComponents[1]);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(LabelOf(box), LabelOf(reader.GetReferencedShape(subComponents[0])));
    EXPECT_EQ(box->GetName(), kBoxName);
    const auto cylinder = reader.GetReferencedShape(subComponents[1]);
    ASSERT_NE(cylinder, nullptr);
    EXPECT_EQ(cylinder->GetName(), kCylinderName);
    EXPECT_EQ(reader.GetShapeType(box), EnumXdeShapeType::Simple);
    EXPECT_EQ(reader.GetShapeType(cylinder), EnumXdeShapeType::Simple);

    // Colours as OpenCASCADE holds them after its own sRGB round trip through the file.
    EXPECT_TRUE(VecNear(kSurface, reader.GetColor(cylinder, kFallback), 1e-5f));
    EXPECT_TRUE(
        VecNear(kSurface, reader.GetFaceColor(reader.GetShape(cylinder), kFallback), 1e-5f));
    EXPECT_TRUE(VecNear(kFallback, reader.GetEdgeColor(reader.GetShape(cylinder), kFallback)));
    EXPECT_TRUE(VecNear(kCurve, reader.GetEdgeColor(reader.GetShape(box), kFallback), 1e-5f));
    EXPECT_TRUE(VecNear(kFallback, reader.GetColor(box, kFallback)));

    // The file itself holds the colours in sRGB, byte for byte what the program shows.
    const std::string text = ReadWholeFile(myStep);
    const auto srgbByte = [](double value) { return std::lround(value * 255.0); };
    const auto linearToByte = [&](float linear) {
        return srgbByte(Quantity_Color::Convert_LinearRGB_To_sRGB(linear));
    };
    bool surfaceWritten = false;
    for (size_t at = text.find("COLOUR_RGB("); at != std::string::npos;
         at = text.find("COLOUR_RGB(", at + 1)) {
        double r = 0, g = 0, b = 0;
        if (std::sscanf(text.c_str() + text.find(',', at) + 1, "%lf,%lf,%lf", &r, &g, &b) == 3 &&
            srgbByte(r) == linearToByte(kSurface.r) && srgbByte(g) == linearToByte(kSurface.g) &&
            srgbByte(b) == linearToByte(kSurface.b)) {
            surfaceWritten = true;
        }
    }
    EXPECT_TRUE(surfaceWritten) << "no COLOUR_RGB with the sRGB bytes of the surface colour";
}

TEST_F(XdeRoundTripTest, StepReadByXde2DocGivesOnePrototypePerPartWithItsInstances)
{
    Xde2Doc converter;
    ASSERT_TRUE(converter.Load(myStep));
    ASSERT_TRUE(converter.Transfer());
    const Document& document = *converter.GetDocument();

    // One shape element per part, and the sub-assembly once: these are the prototypes.
    std::map<std::string, ObjectId> prototypes;
    for (const ShapeElement* shape : ElementsOf<ShapeElement>(document)) {
        EXPECT_TRUE(prototypes.emplace(shape->GetName(), shape->GetId()).second)
            << shape->GetName();
    }
    EXPECT_EQ(prototypes.size(), 2u);
    const auto assemblies = ElementsNamed(document, "AssemblyElement");
    ASSERT_EQ(assemblies.size(), 1u);
    prototypes.emplace(assemblies[0]->GetName(), assemblies[0]->GetId());

    std::multiset<std::string> aliases;
    std::multiset<std::string> names;
    for (const InstanceElement* instance : ElementsOf<InstanceElement>(document)) {
        aliases.insert(instance->GetAliasName());
        names.insert(instance->GetName());
        ASSERT_EQ(prototypes.count(instance->GetName()), 1u) << instance->GetName();
        EXPECT_EQ(instance->GetPrototypeId(), prototypes.at(instance->GetName()));
    }
    EXPECT_EQ(aliases, (std::multiset<std::string>{"底座-1", "底座-2", "cyl-1", "sub-1"}));
    EXPECT_EQ(names, (std::multiset<std::string>{kBoxName, kBoxName, kCylinderName, kSubName}));
    EXPECT_NE(FindByName(document, "Top"), nullptr);
    EXPECT_NE(FindByName(document, kSubName), nullptr);
}

TEST_F(XdeRoundTripTest, IgesKeepsTheSolidsWhereTheyWereAndTheSurfaceColour)
{
    // IGES has no assemblies: the file holds the placed solids of the top shape, its name and
    // the face colours.
    XdeDocumentI reader;
    ASSERT_TRUE(reader.Open(StringUtil::ToW(myIges)));
    ASSERT_EQ(reader.GetShapeCount(), 1);
    const auto top = reader.GetShapeNode(0);
    EXPECT_EQ(top->GetName(), "Top");
    EXPECT_EQ(reader.GetShapeType(top), EnumXdeShapeType::Simple);
    const auto shape = reader.GetShape(top);
    ASSERT_NE(shape, nullptr);

    // Each solid read sits where the written one was placed (centres of mass within 1e-6).
    const auto centres = [](const TopoDS_Shape& whole) {
        std::vector<gp_Pnt> points;
        for (TopExp_Explorer solid(whole, TopAbs_SOLID); solid.More(); solid.Next()) {
            GProp_GProps properties;
            BRepGProp::VolumeProperties(solid.Current(), properties);
            points.push_back(properties.CentreOfMass());
        }
        return points;
    };
    const std::vector<gp_Pnt> written = centres(myTop);
    const std::vector<gp_Pnt> read = centres(shape->GetImpl());
    ASSERT_EQ(read.size(), 3u);
    for (const gp_Pnt& expected : written) {
        EXPECT_TRUE(
            std::any_of(read.begin(), read.end(),
                        [&](const gp_Pnt& point) { return point.Distance(expected) < 1e-6; }))
            << expected.X() << " " << expected.Y() << " " << expected.Z();
    }

    // The cylinder's faces carry the surface colour; the box's faces have none.
    int coloured = 0;
    for (TopExp_Explorer face(shape->GetImpl(), TopAbs_FACE); face.More(); face.Next()) {
        const glm::vec3 color = reader.GetFaceColor(TopoShape::Create(face.Current()), kFallback);
        if (VecNear(kSurface, color, 1e-5f)) {
            ++coloured;
        } else {
            EXPECT_TRUE(VecNear(kFallback, color));
        }
    }
    EXPECT_EQ(coloured, 3);
}

} // namespace
