// Any model file into a kernel document and out again (XdeModelReader, XdeModelWriter,
// XdeModelEdit), and the format table they and the program share.
#include "Support/TestSupport.h"

#include "Geometry/IO/ModelFormat.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeModelReader.h"
#include "Interop/Kernel/XdeModelWriter.h"

#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>

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

} // namespace
