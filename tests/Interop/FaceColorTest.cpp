// Per-face colour tables: built in the test with OCCT, and the part-local colour lookup
// compared with OpenCASCADE's document-wide one on real files.
#include "Support/TestSupport.h"

#include "Data/Kernel/ShapeElement.h"
#include "Interop/Kernel/IgesModelReader.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/XdeSubShapeColors.h"
#include "Xde2Doc.h"

#include <TDF_ChildIterator.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Iterator.hxx>

using namespace orvkit;
using namespace orvtest;

namespace {

const Quantity_Color kRed(1, 0, 0, Quantity_TOC_RGB);
const Quantity_Color kBlue(0, 0, 1, Quantity_TOC_RGB);

class FaceColorTest : public ::testing::Test {
protected:
    std::shared_ptr<Document> Import(XcafBuilder& builder, bool useColor = true)
    {
        const std::string path = myDir.File("colours.step");
        EXPECT_TRUE(builder.SaveStep(path));
        Xde2Doc converter;
        converter.SetUseColor(useColor);
        EXPECT_TRUE(converter.Load(path));
        converter.Transfer();
        return converter.GetDocument();
    }

    static const ShapeElement* OnlyShape(const Document& document)
    {
        const auto shapes = ElementsOf<ShapeElement>(document);
        EXPECT_EQ(shapes.size(), 1u);
        return shapes.empty() ? nullptr : shapes[0];
    }

    TempDir myDir;
};

TEST_F(FaceColorTest, RedSolidWithOneBlueFaceHasOneEntryAtThatFace)
{
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Box", MakeBox(10, 10, 10));
    builder.SetColor(box, kRed);
    builder.SetFaceColor(box, 3, kBlue);
    auto document = Import(builder);

    const ShapeElement* shape = OnlyShape(*document);
    ASSERT_NE(shape, nullptr);
    EXPECT_TRUE(ColorNear(kRed, shape->GetColor().r, shape->GetColor().g, shape->GetColor().b));
    ASSERT_TRUE(shape->GetFaceColors().has_value());
    const FaceColorTable& table = *shape->GetFaceColors();
    ASSERT_EQ(table.size(), 1u);
    // The key is the face's place in the element shape's face map; it must name the face that
    // was coloured (the fourth face of the box as built, at the same place after the trip
    // through STEP).
    const auto entry = table.begin();
    const TopoDS_Shape face =
        shape->GetShape()->FindChild(TopoShapeFace, static_cast<int>(entry->first));
    ASSERT_FALSE(face.IsNull());
    EXPECT_EQ(entry->first, 3u);
    EXPECT_TRUE(ColorNear(kBlue, entry->second.r, entry->second.g, entry->second.b));
}

TEST_F(FaceColorTest, WhitePartWithAllFacesRedHasAnEntryForEveryFace)
{
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Box", MakeBox(1, 2, 3));
    for (int face = 0; face < 6; ++face) {
        builder.SetFaceColor(box, face, kRed);
    }
    auto document = Import(builder);

    const ShapeElement* shape = OnlyShape(*document);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->GetColor(), glm::vec3(1, 1, 1));
    ASSERT_TRUE(shape->GetFaceColors().has_value());
    EXPECT_EQ(shape->GetFaceColors()->size(), 6u);
    for (const auto& [face, color] : *shape->GetFaceColors()) {
        EXPECT_LT(face, 6u);
        EXPECT_TRUE(ColorNear(kRed, color.r, color.g, color.b));
    }
}

TEST_F(FaceColorTest, FaceWithThePartsOwnColourIsNoEntry)
{
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Box", MakeBox(1, 2, 3));
    builder.SetColor(box, kRed);
    builder.SetFaceColor(box, 0, kRed);
    builder.SetFaceColor(box, 5, kBlue);
    auto document = Import(builder);

    const ShapeElement* shape = OnlyShape(*document);
    ASSERT_NE(shape, nullptr);
    ASSERT_TRUE(shape->GetFaceColors().has_value());
    ASSERT_EQ(shape->GetFaceColors()->size(), 1u);
    EXPECT_EQ(shape->GetFaceColors()->begin()->first, 5u);
}

TEST_F(FaceColorTest, WithoutUseColorNoTableIsSetButTheElementKeepsItsColour)
{
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Box", MakeBox(1, 2, 3));
    builder.SetColor(box, kBlue);
    builder.SetFaceColor(box, 2, kRed);
    auto document = Import(builder, false);

    const ShapeElement* shape = OnlyShape(*document);
    ASSERT_NE(shape, nullptr);
    EXPECT_FALSE(shape->GetFaceColors().has_value());
    EXPECT_TRUE(ColorNear(kBlue, shape->GetColor().r, shape->GetColor().g, shape->GetColor().b));
}

TEST_F(FaceColorTest, PartWithoutColouredFacesGetsAnEmptyTable)
{
    XcafBuilder builder;
    builder.AddPart("Box", MakeBox(1, 2, 3));
    auto document = Import(builder);
    const ShapeElement* shape = OnlyShape(*document);
    ASSERT_NE(shape, nullptr);
    ASSERT_TRUE(shape->GetFaceColors().has_value());
    EXPECT_TRUE(shape->GetFaceColors()->empty());
}

// Compares, for every face (and compound member) of every part, the colour found through the part's
// own sub-shape labels with what XCAFDoc_ColorTool::GetColor(face, ...) finds by searching the
// document. Adds the number of coloured faces compared to `colouredFaces`.
void ExpectSameFaceColours(const std::string& relative, size_t* colouredFaces)
{
    const std::string path = CorpusFile(relative);
    if (path.empty()) {
        GTEST_SKIP() << "corpus not available";
    }
    XdeDocumentImpl impl;
    const bool read = relative.find("iges/") == 0 ? IgesModelReader().Open(path, impl, nullptr)
                                                  : StepModelReader().Open(path, impl, nullptr);
    ASSERT_TRUE(read) << relative;

    // Collect both answers first: the document-wide search adds labels as it goes.
    struct Answer {
        bool found = false;
        Quantity_Color color;
    };
    std::vector<Answer> local;
    std::vector<TopoDS_Shape> faces;
    TDF_LabelSequence parts;
    impl.shapeTool->GetShapes(parts);
    for (const TDF_Label& part : parts) {
        if (!XCAFDoc_ShapeTool::IsSimpleShape(part)) {
            continue;
        }
        const XdeSubShapeColors colors(impl.colorTool, part);
        // Faces, and the direct members of compounds (whose colours the writer also looks up).
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(part);
        TopTools_IndexedMapOfShape map;
        TopExp::MapShapes(shape, TopAbs_FACE, map);
        if (shape.ShapeType() == TopAbs_COMPOUND) {
            for (TopoDS_Iterator it(shape); it.More(); it.Next()) {
                map.Add(it.Value());
            }
        }
        for (int i = 1; i <= map.Extent(); ++i) {
            Answer answer;
            answer.found = colors.Find(map(i), answer.color);
            local.push_back(answer);
            faces.push_back(map(i));
        }
    }
    size_t coloured = 0;
    for (size_t i = 0; i < faces.size(); ++i) {
        Answer global;
        global.found = impl.colorTool->GetColor(faces[i], XCAFDoc_ColorSurf, global.color) ||
                       impl.colorTool->GetColor(faces[i], XCAFDoc_ColorGen, global.color);
        ASSERT_EQ(local[i].found, global.found) << relative << " face " << i;
        if (global.found) {
            ++coloured;
            EXPECT_FALSE(local[i].color.IsDifferent(global.color)) << relative << " face " << i;
        }
    }
    ::testing::Test::RecordProperty(relative, static_cast<int>(coloured));
    *colouredFaces += coloured;
}

TEST(PartLocalFaceColourTest, MatchesTheDocumentWideSearchOnRealFiles)
{
    size_t coloured = 0;
    for (const char* file :
         {"step/demo.step", "step/trj6_as1-tu-214.stp", "step/trj4_k1_geo-ac-214.stp",
          "step/red_cube_blue_cylinder.step", "step/trj3_s1-ct-214.stp", "step/trj7_c2-td-203.stp",
          "step/nested.step", "step-pmi/nist_ftc_09_asme1_ap242-e1.stp",
          "step-pmi/nist_ctc_02_asme1_ap242-e2.stp", "large/bug31670_russian.stp",
          "step-pmi/nist_ctc_04_asme1_ap242-e1.stp", "step-pmi/nist_ftc_10_asme1_ap242-e2.stp",
          "iges/BIGES.igs", "iges/UKI60998.igs", "iges/bad_header.igs"}) {
        ExpectSameFaceColours(file, &coloured);
        if (HasFatalFailure() || IsSkipped()) {
            return;
        }
    }
    EXPECT_GT(coloured, 0u);
}

} // namespace
