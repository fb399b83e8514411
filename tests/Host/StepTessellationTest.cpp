// AP242 tessellated geometry in STEP files written here: triangulated faces, strips and fans,
// tessellated shells and solids, as parts and as placed instances, beside exact geometry, and
// malformed variants that are refused with the entity named.
#include "Support/TestSupport.h"

#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeModelWriter.h"
#include "Interop/Kernel/XdeValidationProps.h"

#include <BRepBndLib.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <Poly_Polygon3D.hxx>
#include <Poly_Triangulation.hxx>
#include <TColStd_HSequenceOfExtendedString.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_LayerTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <fmt/format.h>

#include <filesystem>
#include <regex>

using namespace orvtest;

namespace {

// A STEP file of one part, "part", whose shape definition names the tessellated shape
// representation #30 in the context #5 (lengths in `unit`); `body` holds #30 and what it
// refers to.
std::string PartFile(const std::string& body, const std::string& unit = "SI_UNIT(.MILLI.,.METRE.)")
{
    return fmt::format(R"(ISO-10303-21;
HEADER;
FILE_DESCRIPTION((''),'2;1');
FILE_NAME('part.stp','2026-12-08T00:00:00',(''),(''),'','','');
FILE_SCHEMA(('AP242_MANAGED_MODEL_BASED_3D_ENGINEERING_MIM_LF {{ 1 0 10303 442 1 1 4 }}'));
ENDSEC;
DATA;
#1=APPLICATION_CONTEXT('managed model based 3d engineering');
#2=APPLICATION_PROTOCOL_DEFINITION('international standard','ap242_managed_model_based_3d_engineering',2014,#1);
#3=PRODUCT_CONTEXT('',#1,'mechanical');
#4=PRODUCT_DEFINITION_CONTEXT('part definition',#1,'design');
#5=(GEOMETRIC_REPRESENTATION_CONTEXT(3) GLOBAL_UNCERTAINTY_ASSIGNED_CONTEXT((#9)) GLOBAL_UNIT_ASSIGNED_CONTEXT((#6,#7,#8)) REPRESENTATION_CONTEXT('',''));
#6=(LENGTH_UNIT() NAMED_UNIT(*) {});
#7=(NAMED_UNIT(*) PLANE_ANGLE_UNIT() SI_UNIT($,.RADIAN.));
#8=(NAMED_UNIT(*) SI_UNIT($,.STERADIAN.) SOLID_ANGLE_UNIT());
#9=UNCERTAINTY_MEASURE_WITH_UNIT(LENGTH_MEASURE(1.E-07),#6,'distance_accuracy_value','');
#20=PRODUCT('part','part','',(#3));
#21=PRODUCT_DEFINITION_FORMATION('','',#20);
#22=PRODUCT_DEFINITION('design','',#21,#4);
#23=PRODUCT_DEFINITION_SHAPE('','',#22);
#25=SHAPE_DEFINITION_REPRESENTATION(#23,#30);
{}
ENDSEC;
END-ISO-10303-21;
)",
                       unit, body);
}

// A tetrahedron as one triangulated face of a tessellated solid.
const char* const kTetra = R"(#30=TESSELLATED_SHAPE_REPRESENTATION('part',(#31),#5);
#31=TESSELLATED_SOLID('',(#32),$);
#32=TRIANGULATED_FACE('',#33,4,(),$,(),((1,3,2),(1,2,4),(2,3,4),(3,1,4)));
#33=COORDINATES_LIST('',4,((0.,0.,0.),(10.,0.,0.),(0.,10.,0.),(0.,0.,10.)));)";

class StepTessellationTest : public ::testing::Test {
protected:
    // Reads `text` as a STEP file; false with the failure's detail in `why`.
    bool Read(const std::string& text, orvkit::XdeDocumentImpl& impl, std::string* why = nullptr)
    {
        const bool read =
            orvkit::StepModelReader().Open(myDir.Write("part.stp", text), impl, nullptr);
        if (why != nullptr) {
            *why = impl.failure.detail;
        }
        return read;
    }

    // The part named `name`, or the part an instance of that name places.
    static TDF_Label PartLabel(const orvkit::XdeDocumentImpl& impl, const std::string& name)
    {
        TDF_Label label = orvkit::XdeModelEdit::FindNamed(impl, name);
        TDF_Label referred;
        if (!label.IsNull() && XCAFDoc_ShapeTool::GetReferredShape(label, referred)) {
            label = referred;
        }
        return label;
    }

    static TopoDS_Shape PartShape(const orvkit::XdeDocumentImpl& impl, const std::string& name)
    {
        const TDF_Label label = PartLabel(impl, name);
        return label.IsNull() ? TopoDS_Shape() : XCAFDoc_ShapeTool::GetShape(label);
    }

    struct Faces {
        int count = 0;
        int withSurface = 0;
        int triangles = 0;
        int nodes = 0;
        bool normals = true;
    };

    static Faces FacesOf(const TopoDS_Shape& shape)
    {
        Faces faces;
        for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
            const TopoDS_Face& face = TopoDS::Face(it.Current());
            TopLoc_Location location;
            ++faces.count;
            faces.withSurface += BRep_Tool::Surface(face, location).IsNull() ? 0 : 1;
            if (const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(face, location)) {
                faces.triangles += mesh->NbTriangles();
                faces.nodes += mesh->NbNodes();
                faces.normals = faces.normals && mesh->HasNormals();
            }
        }
        return faces;
    }

    TempDir myDir;
};

TEST_F(StepTessellationTest, ATessellatedSolidIsAPartOfTrianglesInTheDocumentsUnit)
{
    orvkit::XdeDocumentImpl impl;
    ASSERT_TRUE(Read(PartFile(kTetra, "SI_UNIT(.CENTI.,.METRE.)"), impl));
    const TopoDS_Shape shape = PartShape(impl, "part");
    ASSERT_FALSE(shape.IsNull());
    EXPECT_EQ(shape.ShapeType(), TopAbs_SOLID);
    const Faces faces = FacesOf(shape);
    EXPECT_EQ(faces.count, 1);
    EXPECT_EQ(faces.withSurface, 0);
    EXPECT_EQ(faces.triangles, 4);
    EXPECT_EQ(faces.nodes, 4);
    EXPECT_TRUE(impl.readWarnings.empty());
    Bnd_Box box;
    BRepBndLib::Add(shape, box, Standard_True);
    double x0, y0, z0, x1, y1, z1;
    box.Get(x0, y0, z0, x1, y1, z1);
    EXPECT_NEAR(x1 - x0, 100.0, 1e-6);
    EXPECT_NEAR(z1 - z0, 100.0, 1e-6);

    // Measured by its triangles: a closed solid has a volume and its centroid.
    const orvkit::XdeValidationProps props = orvkit::XdeValidationProps::Compute(shape);
    ASSERT_TRUE(props.hasVolume);
    EXPECT_NEAR(props.volume, 100.0 * 100.0 * 100.0 / 6.0, 1e-3);
    EXPECT_NEAR(props.area, 100.0 * 100.0 * 1.5 + 100.0 * 100.0 * std::sqrt(3.0) / 2.0, 1e-3);
    EXPECT_NEAR(props.centroid.X(), 25.0, 1e-6);
}

TEST_F(StepTessellationTest, StripsAndFansGiveConsistentlyTurnedTrianglesWithoutDegenerateOnes)
{
    // A flat square of four points, (0,0) (1,0) (0,1) (1,1) at z = 0, as a strip that repeats
    // a point (one degenerate triangle), and as a fan about its first corner; then a surface
    // set with a point index and one normal for all its points.
    const std::string body = R"(#30=TESSELLATED_SHAPE_REPRESENTATION('part',(#31),#5);
#31=TESSELLATED_SHELL('',(#32,#33,#34),$);
#32=COMPLEX_TRIANGULATED_FACE('',#35,5,(),$,(),((1,2,3,4,4)),());
#33=COMPLEX_TRIANGULATED_FACE('',#35,5,(),$,(),(),((1,2,4,3)));
#34=TRIANGULATED_SURFACE_SET('',#35,3,((0.,0.,1.)),(5,2,4),((1,2,3)));
#35=COORDINATES_LIST('',5,((0.,0.,0.),(1.,0.,0.),(0.,1.,0.),(1.,1.,0.),(2.,0.,0.)));)";
    orvkit::XdeDocumentImpl impl;
    std::string why;
    ASSERT_TRUE(Read(PartFile(body), impl, &why)) << why;
    const TopoDS_Shape shape = PartShape(impl, "part");
    ASSERT_FALSE(shape.IsNull());
    EXPECT_EQ(shape.ShapeType(), TopAbs_SHELL);
    std::vector<Faces> faces;
    std::vector<double> turns; // z of each triangle's normal, face by face
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        faces.push_back(FacesOf(it.Current()));
        TopLoc_Location location;
        const Handle(Poly_Triangulation) mesh =
            BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
        ASSERT_FALSE(mesh.IsNull());
        for (int i = 1; i <= mesh->NbTriangles(); ++i) {
            int a, b, c;
            mesh->Triangle(i).Get(a, b, c);
            const gp_Vec ab(mesh->Node(a), mesh->Node(b));
            const gp_Vec ac(mesh->Node(a), mesh->Node(c));
            const double z = ab.Crossed(ac).Z();
            EXPECT_GT(std::abs(z), 1e-9) << "a degenerate triangle in face " << faces.size();
            turns.push_back(z > 0 ? 1 : -1);
        }
    }
    ASSERT_EQ(faces.size(), 3u);
    EXPECT_EQ(faces[0].triangles, 2); // (1,2,3), (2,3,4); (3,4,4) is dropped
    EXPECT_EQ(faces[0].nodes, 4);
    EXPECT_EQ(faces[1].triangles, 2);
    EXPECT_EQ(faces[2].triangles, 1);
    EXPECT_EQ(faces[2].nodes, 3);
    EXPECT_TRUE(faces[2].normals);
    EXPECT_FALSE(faces[0].normals);
    // A strip's triangles alternate their corners' order so that all face one way, and a
    // fan's all turn about its first point.
    ASSERT_EQ(turns.size(), 5u);
    EXPECT_EQ(turns[0], turns[1]);
    EXPECT_EQ(turns[2], turns[3]);
    EXPECT_EQ(turns[0], turns[2]);
}

TEST_F(StepTessellationTest, ATessellatedPartIsPlacedTwiceAsOnePartWithTwoInstances)
{
    const std::string body = std::string(kTetra) + R"(
#40=PRODUCT('pair','pair','',(#3));
#41=PRODUCT_DEFINITION_FORMATION('','',#40);
#42=PRODUCT_DEFINITION('design','',#41,#4);
#43=PRODUCT_DEFINITION_SHAPE('','',#42);
#44=SHAPE_REPRESENTATION('pair',(#50,#51,#52),#5);
#45=SHAPE_DEFINITION_REPRESENTATION(#43,#44);
#46=DIRECTION('',(0.,0.,1.));
#47=DIRECTION('',(1.,0.,0.));
#48=CARTESIAN_POINT('',(0.,0.,0.));
#49=CARTESIAN_POINT('',(50.,0.,0.));
#50=AXIS2_PLACEMENT_3D('',#48,#46,#47);
#51=AXIS2_PLACEMENT_3D('',#49,#46,#47);
#52=AXIS2_PLACEMENT_3D('',#48,#46,#47);
#60=NEXT_ASSEMBLY_USAGE_OCCURRENCE('1','left','',#42,#22,$);
#61=PRODUCT_DEFINITION_SHAPE('','',#60);
#62=ITEM_DEFINED_TRANSFORMATION('','',#52,#50);
#63=(REPRESENTATION_RELATIONSHIP('','',#30,#44) REPRESENTATION_RELATIONSHIP_WITH_TRANSFORMATION(#62) SHAPE_REPRESENTATION_RELATIONSHIP());
#64=CONTEXT_DEPENDENT_SHAPE_REPRESENTATION(#63,#61);
#70=NEXT_ASSEMBLY_USAGE_OCCURRENCE('2','right','',#42,#22,$);
#71=PRODUCT_DEFINITION_SHAPE('','',#70);
#72=ITEM_DEFINED_TRANSFORMATION('','',#52,#51);
#73=(REPRESENTATION_RELATIONSHIP('','',#30,#44) REPRESENTATION_RELATIONSHIP_WITH_TRANSFORMATION(#72) SHAPE_REPRESENTATION_RELATIONSHIP());
#74=CONTEXT_DEPENDENT_SHAPE_REPRESENTATION(#73,#71);)";
    orvkit::XdeDocumentImpl impl;
    std::string why;
    ASSERT_TRUE(Read(PartFile(body), impl, &why)) << why;
    const TDF_Label pair = orvkit::XdeModelEdit::FindNamed(impl, "pair");
    ASSERT_FALSE(pair.IsNull());
    ASSERT_TRUE(XCAFDoc_ShapeTool::IsAssembly(pair));
    TDF_LabelSequence components;
    XCAFDoc_ShapeTool::GetComponents(pair, components);
    ASSERT_EQ(components.Length(), 2);
    std::vector<double> x;
    TDF_Label part;
    for (const TDF_Label& component : components) {
        TDF_Label referred;
        ASSERT_TRUE(XCAFDoc_ShapeTool::GetReferredShape(component, referred));
        EXPECT_TRUE(part.IsNull() || part == referred) << "one part, placed twice";
        part = referred;
        x.push_back(
            XCAFDoc_ShapeTool::GetLocation(component).Transformation().TranslationPart().X());
    }
    std::sort(x.begin(), x.end());
    EXPECT_NEAR(x[0], 0.0, 1e-9);
    EXPECT_NEAR(x[1], 50.0, 1e-9);
    EXPECT_EQ(FacesOf(XCAFDoc_ShapeTool::GetShape(part)).triangles, 4);
}

TEST_F(StepTessellationTest, AnExactShapeWinsOverATessellatedOneOfTheSamePart)
{
    // A box written by the kernel, then a tessellated representation of the same part added
    // through a second shape definition, as some systems write both.
    XcafBuilder builder;
    builder.AddPart("box", MakeBox(10, 20, 30));
    builder.Finish();
    const std::string exact = myDir.File("box.stp");
    ASSERT_TRUE(builder.SaveStep(exact));
    std::string text = ReadWholeFile(exact);
    std::smatch shape, context;
    ASSERT_TRUE(
        std::regex_search(text, shape, std::regex(R"(#(\d+)\s*=\s*PRODUCT_DEFINITION_SHAPE)")));
    ASSERT_TRUE(std::regex_search(
        text, context, std::regex(R"(#(\d+)\s*=\s*\(\s*GEOMETRIC_REPRESENTATION_CONTEXT)")));
    const std::string added = fmt::format(R"(#90001=SHAPE_DEFINITION_REPRESENTATION(#{},#90002);
#90002=TESSELLATED_SHAPE_REPRESENTATION('box',(#90003),#{});
#90003=TESSELLATED_SOLID('',(#90004),$);
#90004=TRIANGULATED_FACE('',#90005,4,(),$,(),((1,3,2),(1,2,4),(2,3,4),(3,1,4)));
#90005=COORDINATES_LIST('',4,((0.,0.,0.),(10.,0.,0.),(0.,10.,0.),(0.,0.,10.)));
ENDSEC;)",
                                          shape[1].str(), context[1].str());
    text.replace(text.rfind("ENDSEC;"), 7, added);
    // And the tessellated solid listed in the box's own representation beside its solid (the
    // tessellated representation then named by nothing), as OpenCASCADE 7.7 and later can
    // write both.
    std::string beside =
        std::regex_replace(text, std::regex(R"(BREP_SHAPE_REPRESENTATION\('[^']*',\()"),
                           "$&#90003,", std::regex_constants::format_first_only);
    ASSERT_NE(beside, text);
    beside.erase(beside.find("#90001="), beside.find("#90002=") - beside.find("#90001="));
    for (const std::string& variant : {text, beside}) {
        orvkit::XdeDocumentImpl impl;
        std::string why;
        ASSERT_TRUE(Read(variant, impl, &why)) << why;
        const Faces faces = FacesOf(PartShape(impl, "box"));
        EXPECT_EQ(faces.count, 6);
        EXPECT_EQ(faces.withSurface, 6);
    }
}

TEST_F(StepTessellationTest, EdgesAreLinesOfPointsBesideTheFacesAndAreWrittenBack)
{
    const std::string body = R"(#30=TESSELLATED_SHAPE_REPRESENTATION('part',(#31),#5);
#31=TESSELLATED_SHELL('',(#32,#34,#35),$);
#32=TRIANGULATED_FACE('',#33,4,(),$,(),((1,2,3),(2,4,3)));
#33=COORDINATES_LIST('',4,((0.,0.,0.),(10.,0.,0.),(0.,10.,0.),(10.,10.,0.)));
#34=TESSELLATED_EDGE('',#33,$,(1,2,4));
#35=TESSELLATED_CONNECTING_EDGE('',#33,$,(3,4),.T.,#32,#32,(3,4),(3,4));)";
    orvkit::XdeDocumentImpl impl;
    std::string why;
    ASSERT_TRUE(Read(PartFile(body), impl, &why)) << why;
    const auto polygons = [](const TopoDS_Shape& shape) {
        std::vector<int> points;
        for (TopExp_Explorer it(shape, TopAbs_EDGE); it.More(); it.Next()) {
            TopLoc_Location location;
            const Handle(Poly_Polygon3D) polygon =
                BRep_Tool::Polygon3D(TopoDS::Edge(it.Current()), location);
            points.push_back(polygon.IsNull() ? 0 : polygon->NbNodes());
        }
        std::sort(points.begin(), points.end());
        return points;
    };
    const TopoDS_Shape shape = PartShape(impl, "part");
    EXPECT_EQ(FacesOf(shape).triangles, 2);
    EXPECT_EQ(polygons(shape), (std::vector<int>{2, 3}));
    EXPECT_TRUE(impl.readWarnings.empty());

    const orvkit::XdeWriteResult written =
        orvkit::XdeModelWriter::Save(myDir.File("edges.stp"), impl, {});
    ASSERT_TRUE(written) << written.failure;
    orvkit::XdeDocumentImpl back;
    ASSERT_TRUE(orvkit::StepModelReader().Open(myDir.File("edges.stp"), back, nullptr));
    EXPECT_EQ(FacesOf(PartShape(back, "part")).triangles, 2);
    EXPECT_EQ(polygons(PartShape(back, "part")), (std::vector<int>{2, 3}));
}

TEST_F(StepTessellationTest, ColoursAndLayersOfTessellatedSolidsAndFacesComeThrough)
{
    // The solid red; its one face, styled on its own, blue.
    const std::string body = std::string(kTetra) + R"(
#80=COLOUR_RGB('',1.,0.,0.);
#81=FILL_AREA_STYLE_COLOUR('',#80);
#82=FILL_AREA_STYLE('',(#81));
#83=SURFACE_STYLE_FILL_AREA(#82);
#84=SURFACE_SIDE_STYLE('',(#83));
#85=SURFACE_STYLE_USAGE(.BOTH.,#84);
#86=PRESENTATION_STYLE_ASSIGNMENT((#85));
#87=STYLED_ITEM('color',(#86),#31);
#90=COLOUR_RGB('',0.,0.,1.);
#91=FILL_AREA_STYLE_COLOUR('',#90);
#92=FILL_AREA_STYLE('',(#91));
#93=SURFACE_STYLE_FILL_AREA(#92);
#94=SURFACE_SIDE_STYLE('',(#93));
#95=SURFACE_STYLE_USAGE(.BOTH.,#94);
#96=PRESENTATION_STYLE_ASSIGNMENT((#95));
#97=STYLED_ITEM('color',(#96),#32);
#98=MECHANICAL_DESIGN_GEOMETRIC_PRESENTATION_REPRESENTATION('',(#87,#97),#5);
#99=PRESENTATION_LAYER_ASSIGNMENT('hull','',(#31));)";
    orvkit::XdeDocumentImpl impl;
    std::string why;
    ASSERT_TRUE(Read(PartFile(body), impl, &why)) << why;
    const TopoDS_Shape shape = PartShape(impl, "part");
    ASSERT_FALSE(shape.IsNull());
    const Handle(XCAFDoc_ColorTool)& colours = impl.colorTool;
    Quantity_Color colour;
    ASSERT_TRUE(colours->GetColor(shape, XCAFDoc_ColorSurf, colour));
    EXPECT_NEAR(colour.Red(), 1.0, 1e-6);
    EXPECT_NEAR(colour.Blue(), 0.0, 1e-6);
    TopExp_Explorer face(shape, TopAbs_FACE);
    ASSERT_TRUE(face.More());
    ASSERT_TRUE(colours->GetColor(face.Current(), XCAFDoc_ColorSurf, colour));
    EXPECT_NEAR(colour.Blue(), 1.0, 1e-6);
    EXPECT_NEAR(colour.Red(), 0.0, 1e-6);
    // And its layer.
    Handle(TColStd_HSequenceOfExtendedString) layers;
    ASSERT_TRUE(XCAFDoc_DocumentTool::LayerTool(impl.document->Main())->GetLayers(shape, layers));
    ASSERT_EQ(layers->Length(), 1);
    EXPECT_EQ(TCollection_AsciiString(layers->Value(1)), "hull");
}

TEST_F(StepTessellationTest, AStepRoundTripKeepsTheTrianglesColoursLayersAndPlacementsInInches)
{
    orvkit::XdeDocumentImpl impl;
    std::string why;
    ASSERT_TRUE(
        Read(ReadWholeFile(TestDataFile("step-handwritten/tessellated-assembly.stp")), impl, &why))
        << why;
    impl.colorTool->SetColor(PartLabel(impl, "tetra"),
                             Quantity_Color(0.2, 0.4, 0.6, Quantity_TOC_sRGB), XCAFDoc_ColorSurf);
    // An instance's own colour is not written, and the write says so.
    TDF_LabelSequence placed;
    ASSERT_EQ(XCAFDoc_ShapeTool::GetUsers(PartLabel(impl, "wedge"), placed), 1);
    impl.colorTool->SetColor(placed.First(), Quantity_Color(Quantity_NOC_GREEN), XCAFDoc_ColorSurf);
    XCAFDoc_DocumentTool::LayerTool(impl.document->Main())
        ->SetLayer(PartLabel(impl, "tetra"), TCollection_ExtendedString("外壳 'a'", Standard_True));
    orvkit::XdeWriteOptions options;
    options.unit = "in";
    const orvkit::XdeWriteResult written =
        orvkit::XdeModelWriter::Save(myDir.File("back.stp"), impl, options);
    ASSERT_TRUE(written) << written.failure;
    EXPECT_EQ(written.warnings,
              std::vector<std::string>{"the colours of 1 instance of parts made of triangles are "
                                       "not written, only the parts' own: wedge"});
    // The document written from is as it was.
    EXPECT_EQ(FacesOf(PartShape(impl, "tetra")).triangles, 4);
    const std::string text = ReadWholeFile(myDir.File("back.stp"));
    EXPECT_NE(text.find("AP242"), std::string::npos);
    EXPECT_NE(text.find("TESSELLATED_SOLID"), std::string::npos);

    orvkit::XdeDocumentImpl back;
    ASSERT_TRUE(orvkit::StepModelReader().Open(myDir.File("back.stp"), back, nullptr))
        << back.failure.Describe();
    EXPECT_TRUE(back.readWarnings.empty());
    for (const char* name : {"tetra", "wedge"}) {
        SCOPED_TRACE(name);
        const Faces before = FacesOf(PartShape(impl, name));
        const Faces after = FacesOf(PartShape(back, name));
        EXPECT_EQ(after.count, before.count);
        EXPECT_EQ(after.triangles, before.triangles);
        EXPECT_EQ(after.withSurface, 0);
        Bnd_Box a, b;
        BRepBndLib::Add(PartShape(impl, name), a, Standard_True);
        BRepBndLib::Add(PartShape(back, name), b, Standard_True);
        EXPECT_NEAR(a.CornerMax().Distance(b.CornerMax()), 0.0, 1e-6);
        EXPECT_NEAR(a.CornerMin().Distance(b.CornerMin()), 0.0, 1e-6);
    }
    Handle(TColStd_HSequenceOfExtendedString) layers;
    ASSERT_TRUE(XCAFDoc_DocumentTool::LayerTool(back.document->Main())
                    ->GetLayers(PartShape(back, "tetra"), layers));
    ASSERT_EQ(layers->Length(), 1);
    EXPECT_TRUE(layers->Value(1).IsEqual(TCollection_ExtendedString("外壳 'a'", Standard_True)));
    Quantity_Color colour;
    ASSERT_TRUE(back.colorTool->GetColor(PartShape(back, "tetra"), XCAFDoc_ColorSurf, colour));
    EXPECT_TRUE(colour.IsEqual(Quantity_Color(0.2, 0.4, 0.6, Quantity_TOC_sRGB)));
    const TDF_Label wedge = PartLabel(back, "wedge");
    ASSERT_FALSE(wedge.IsNull());
    TDF_LabelSequence users;
    EXPECT_EQ(XCAFDoc_ShapeTool::GetUsers(wedge, users), 1);
    ASSERT_EQ(users.Length(), 1);
    EXPECT_NEAR(
        XCAFDoc_ShapeTool::GetLocation(users.First()).Transformation().TranslationPart().X(), 20.0,
        1e-9);
}

TEST_F(StepTessellationTest, TriangulatedFacesListedByAPlainShapeRepresentationAreThePartsFaces)
{
    // As OpenCASCADE 7.7 and later write a part of triangles: its faces straight among the
    // items of its shape representation, beside a placement.
    orvkit::XdeDocumentImpl impl;
    std::string why;
    ASSERT_TRUE(Read(ReadWholeFile(TestDataFile("step-handwritten/tessellated-loose-faces.stp")),
                     impl, &why))
        << why;
    EXPECT_TRUE(impl.readWarnings.empty()) << impl.readWarnings.front();
    // The square of two triangles, red nowhere and on the layer; the flap of one, red.
    const auto check = [](const orvkit::XdeDocumentImpl& doc, bool layers) {
        const TopoDS_Shape shape = PartShape(doc, "panel");
        ASSERT_FALSE(shape.IsNull());
        // Faces listed loose are joined by nothing in the file: a compound of them, as loose
        // faces of a tessellated representation are.
        EXPECT_EQ(shape.ShapeType(), TopAbs_COMPOUND);
        const Faces faces = FacesOf(shape);
        EXPECT_EQ(faces.count, 2); // not again from the tessellated representation beside it
        EXPECT_EQ(faces.withSurface, 0);
        EXPECT_EQ(faces.triangles, 3);
        EXPECT_EQ(faces.nodes, 7);
        for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
            const bool flap = FacesOf(it.Current()).triangles == 1;
            SCOPED_TRACE(flap ? "flap" : "square");
            Quantity_Color colour;
            EXPECT_EQ(doc.colorTool->GetColor(it.Current(), XCAFDoc_ColorSurf, colour), flap);
            EXPECT_TRUE(!flap || colour.IsEqual(Quantity_Color(Quantity_NOC_RED)));
            Handle(TColStd_HSequenceOfExtendedString) names;
            if (layers && !flap) {
                ASSERT_TRUE(XCAFDoc_DocumentTool::LayerTool(doc.document->Main())
                                ->GetLayers(it.Current(), names));
                ASSERT_EQ(names->Length(), 1);
                EXPECT_EQ(TCollection_AsciiString(names->Value(1)), "skin");
            }
        }
        TDF_LabelSequence users;
        ASSERT_EQ(XCAFDoc_ShapeTool::GetUsers(PartLabel(doc, "panel"), users), 1);
        EXPECT_NEAR(
            XCAFDoc_ShapeTool::GetLocation(users.First()).Transformation().TranslationPart().X(),
            20.0, 1e-9);
    };
    check(impl, true);

    // Written as tessellated geometry and read back (a face's layers are not written).
    const orvkit::XdeWriteResult written =
        orvkit::XdeModelWriter::Save(myDir.File("back.stp"), impl, {});
    ASSERT_TRUE(written) << written.failure;
    orvkit::XdeDocumentImpl back;
    ASSERT_TRUE(orvkit::StepModelReader().Open(myDir.File("back.stp"), back, nullptr))
        << back.failure.Describe();
    EXPECT_TRUE(back.readWarnings.empty());
    check(back, false);
}

TEST_F(StepTessellationTest, APartMixingTrianglesAndExactFacesIsRefusedByName)
{
    orvkit::XdeDocumentImpl impl;
    ASSERT_TRUE(Read(PartFile(kTetra), impl));
    const TopoDS_Shape triangles = PartShape(impl, "part");
    XcafBuilder builder;
    builder.AddPart("hybrid", MakeCompound({MakeBox(1, 1, 1), triangles}));
    builder.Finish();
    builder.GetImpl().RefreshTools();
    const orvkit::XdeWriteResult written =
        orvkit::XdeModelWriter::Save(myDir.File("hybrid.stp"), builder.GetImpl(), {});
    EXPECT_FALSE(written);
    EXPECT_NE(written.failure.find("mix triangle meshes with exact surfaces (hybrid)"),
              std::string::npos)
        << written.failure;
    EXPECT_FALSE(std::filesystem::exists(myDir.File("hybrid.stp")));
}

TEST_F(StepTessellationTest, MalformedTessellationIsRefusedWithItsEntityNamed)
{
    const std::string good = kTetra;
    const auto variant = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::pair<std::string, std::string> cases[] = {
        // A triangle past the points of the face.
        {variant("(3,1,4)))", "(3,1,5)))"),
         "entity #32 (TRIANGULATED_FACE): a triangle names point 5 of 4"},
        // A point index past the coordinates list.
        {variant("4,(),$,(),(", "4,(),$,(1,2,3,9),("),
         "entity #32 (TRIANGULATED_FACE): its point index names point 9 of 4"},
        // A point count that does not fit the index.
        {variant("4,(),$,(),(", "3,(),$,(1,2,3,4),("),
         "entity #32 (TRIANGULATED_FACE): declares 3 points but indexes 4"},
        // A coordinates list that declares more points than it lists.
        {variant("COORDINATES_LIST('',4,", "COORDINATES_LIST('',40,"),
         "entity #33 (COORDINATES_LIST): declares 40 points but lists 4"},
        // A point of two coordinates.
        {variant("(0.,0.,10.)", "(0.,10.)"),
         "entity #33 (COORDINATES_LIST): not a list of points of three coordinates each"},
        // A strip of two points.
        {variant("TRIANGULATED_FACE('',#33,4,(),$,(),((1,3,2),(1,2,4),(2,3,4),(3,1,4)))",
                 "COMPLEX_TRIANGULATED_FACE('',#33,4,(),$,(),((1,2)),())"),
         "entity #32 (COMPLEX_TRIANGULATED_FACE): a triangle strip of 2 points"},
        // Two normals for four points.
        {variant("4,(),$,(),(", "4,((0.,0.,1.),(0.,0.,1.)),$,(),("),
         "entity #32 (TRIANGULATED_FACE): 2 normals for 4 points"},
        // Coordinates that are not a coordinates list.
        {variant("TRIANGULATED_FACE('',#33", "TRIANGULATED_FACE('',#31"),
         "entity #32 (TRIANGULATED_FACE): its coordinates #31 are not a coordinates list"},
    };
    for (const auto& [body, expected] : cases) {
        SCOPED_TRACE(expected);
        orvkit::XdeDocumentImpl impl;
        std::string why;
        EXPECT_FALSE(Read(PartFile(body), impl, &why));
        EXPECT_NE(why.find(expected), std::string::npos) << why;
    }
    // A malformed list that no face uses (an annotation's, say) is no reason to refuse.
    orvkit::XdeDocumentImpl impl;
    std::string why;
    EXPECT_TRUE(Read(PartFile(good + "\n#34=COORDINATES_LIST('',9,((0.,0.)));"), impl, &why))
        << why;
}

} // namespace
