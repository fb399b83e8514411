// The document writer on assemblies built in the test: structure, prototypes and instances,
// placements, names and the way colours are inherited through the walk.
#include "Support/TestSupport.h"

#include "Common/Core/ParameterDict.h"
#include "Data/Kernel/AssemblyElement.h"
#include "Data/Kernel/CategoryNames.h"
#include "Data/Kernel/GroupElement.h"
#include "Data/Kernel/InstanceElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "Interop/Kernel/XdeDocumentIGES.h"
#include "Xde2Doc.h"

#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>
#include <algorithm>

using namespace orvkit;
using namespace orvtest;

namespace {

const Quantity_Color kRed(1, 0, 0, Quantity_TOC_RGB);
const Quantity_Color kBlue(0, 0, 1, Quantity_TOC_RGB);
const Quantity_Color kGreen(0, 1, 0, Quantity_TOC_RGB);
const Quantity_Color kWhite(1, 1, 1, Quantity_TOC_RGB);

class DocumentWriterTest : public ::testing::Test {
protected:
    // Saves the built document as STEP and imports it into a new framework document.
    std::shared_ptr<Document> Import(XcafBuilder& builder, bool createAssembly = false)
    {
        const std::string path = myDir.File("model.step");
        EXPECT_TRUE(builder.SaveStep(path));
        Xde2Doc converter;
        converter.SetCreateAssembly(createAssembly);
        EXPECT_TRUE(converter.Load(path));
        EXPECT_TRUE(converter.Transfer());
        return converter.GetDocument();
    }

    static const glm::vec3& ColorOf(const Element* element)
    {
        return dynamic_cast<const EntityElement&>(*element).GetColor();
    }

    TempDir myDir;
};

// With create-assembly set, the same file gives an assembly in place of the group.
TEST_F(DocumentWriterTest, SoleAssemblyBecomesOneGroupOfInstancesOrWithCreateAssemblyAnAssembly)
{
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Box", MakeBox(10, 10, 10));
    const TDF_Label cylinder = builder.AddPart("Cylinder", MakeCylinder(3, 20));
    const TDF_Label assembly = builder.AddAssembly("Frame");
    builder.AddComponent(assembly, box, Translation(0, 0, 0));
    builder.AddComponent(assembly, cylinder, Translation(30, 0, 0));
    auto document = Import(builder);

    const auto groups = ElementsNamed(*document, "GroupElement");
    ASSERT_EQ(groups.size(), 1u);
    auto* group = static_cast<GroupElement*>(groups[0]);
    EXPECT_EQ(group->GetName(), "Frame");
    EXPECT_FALSE(group->IsBrowserable());
    EXPECT_EQ(group->GetSchemaName(), "ImportSchema");
    EXPECT_EQ(group->GetCategory(), CategoryNames::Shape());
    EXPECT_TRUE(ElementsNamed(*document, "AssemblyElement").empty());

    const auto shapes = ElementsOf<ShapeElement>(*document);
    ASSERT_EQ(shapes.size(), 2u);
    for (const ShapeElement* shape : shapes) {
        EXPECT_TRUE(shape->IsManaged());
        EXPECT_FALSE(shape->IsBrowserable());
        EXPECT_TRUE(shape->IsOptimized());
        EXPECT_FALSE(shape->GetParentId().IsValid());
    }
    const auto instances = ElementsOf<InstanceElement>(*document);
    ASSERT_EQ(instances.size(), 2u);
    EXPECT_EQ(group->GetChildren(),
              (std::set<ObjectId>{instances[0]->GetId(), instances[1]->GetId()}));
    for (const InstanceElement* instance : instances) {
        EXPECT_TRUE(instance->IsBrowserable());
        EXPECT_FALSE(instance->IsManaged());
        const auto* prototype = document->FindElementAs<ShapeElement>(instance->GetPrototypeId());
        ASSERT_NE(prototype, nullptr);
        EXPECT_EQ(instance->GetName(), prototype->GetName());
    }
    const InstanceElement* cylinderInstance =
        instances[0]->GetName() == "Cylinder" ? instances[0] : instances[1];
    EXPECT_EQ(cylinderInstance->GetName(), "Cylinder");
    EXPECT_NEAR(cylinderInstance->GetTransform().TranslationPart().X(), 30.0, 1e-9);

    document = Import(builder, true);
    EXPECT_TRUE(ElementsNamed(*document, "GroupElement").empty());
    const auto assemblies = ElementsNamed(*document, "AssemblyElement");
    ASSERT_EQ(assemblies.size(), 1u);
    EXPECT_EQ(assemblies[0]->GetName(), "Frame");
    EXPECT_FALSE(static_cast<AssemblyElement*>(assemblies[0])->IsBrowserable());
    EXPECT_EQ(static_cast<AssemblyElement*>(assemblies[0])->GetChildren().size(), 2u);
}

// Each instance takes the prototype's name, and as alias its reference's name without a
// leading "NAUO".
TEST_F(DocumentWriterTest, OnePartReferencedTwiceSharesOneHiddenPrototypeAndNamesItsInstances)
{
    XcafBuilder builder;
    const TDF_Label bolt = builder.AddPart("Bolt", MakeCylinder(2, 12));
    const TDF_Label assembly = builder.AddAssembly("Pair");
    builder.AddComponent(assembly, bolt, Translation(10, 0, 0), "NAUO12");
    builder.AddComponent(assembly, bolt, Translation(0, 20, 0), "bolt_left");
    auto document = Import(builder);

    const auto shapes = ElementsOf<ShapeElement>(*document);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_TRUE(shapes[0]->IsManaged());
    const auto instances = ElementsOf<InstanceElement>(*document);
    ASSERT_EQ(instances.size(), 2u);
    EXPECT_EQ(instances[0]->GetPrototypeId(), shapes[0]->GetId());
    EXPECT_EQ(instances[1]->GetPrototypeId(), shapes[0]->GetId());
    const gp_XYZ first = instances[0]->GetTransform().TranslationPart();
    const gp_XYZ second = instances[1]->GetTransform().TranslationPart();
    EXPECT_TRUE(first.IsEqual(gp_XYZ(10, 0, 0), 1e-9)) << first.X() << " " << first.Y();
    EXPECT_TRUE(second.IsEqual(gp_XYZ(0, 20, 0), 1e-9)) << second.X() << " " << second.Y();
    std::set<std::string> aliases;
    for (const InstanceElement* instance : instances) {
        EXPECT_EQ(instance->GetName(), "Bolt");
        aliases.insert(instance->GetAliasName());
    }
    EXPECT_EQ(aliases, (std::set<std::string>{"12", "bolt_left"}));
}

TEST_F(DocumentWriterTest, ColourFoundByOneChildStaysForLaterSiblingsButNotAboveItsAssembly)
{
    XcafBuilder builder;
    const TDF_Label red = builder.AddPart("Red", MakeBox(1, 1, 1));
    builder.SetColor(red, kRed);
    const TDF_Label plain = builder.AddPart("Plain", MakeBox(2, 2, 2));
    const TDF_Label outside = builder.AddPart("Outside", MakeBox(3, 3, 3));
    const TDF_Label blue = builder.AddPart("Blue", MakeBox(4, 4, 4));
    builder.SetColor(blue, kBlue);
    const TDF_Label late = builder.AddPart("Late", MakeBox(5, 5, 5));
    const TDF_Label inner = builder.AddAssembly("Inner");
    builder.AddComponent(inner, red, Translation(0, 0, 0));
    builder.AddComponent(inner, plain, Translation(5, 0, 0));
    // The second reference to Red finds its prototype made: Red is not walked again, so its
    // colour does not come back after Blue's.
    const TDF_Label second = builder.AddAssembly("Second");
    builder.AddComponent(second, blue, Translation(0, 0, 0));
    builder.AddComponent(second, red, Translation(0, 5, 0));
    builder.AddComponent(second, late, Translation(0, 10, 0));
    const TDF_Label root = builder.AddAssembly("Root");
    builder.AddComponent(root, inner, Translation(0, 0, 0));
    builder.AddComponent(root, second, Translation(0, 0, 20));
    builder.AddComponent(root, outside, Translation(0, 10, 0));
    auto document = Import(builder);

    const auto check = [&](const char* name, const Quantity_Color& expected) {
        const Element* element = nullptr;
        for (const ShapeElement* shape : ElementsOf<ShapeElement>(*document)) {
            if (shape->GetName() == name) {
                element = shape;
            }
        }
        ASSERT_NE(element, nullptr) << name;
        const glm::vec3& color = ColorOf(element);
        EXPECT_TRUE(ColorNear(expected, color.r, color.g, color.b)) << name;
    };
    check("Red", kRed);
    check("Plain", kRed);
    check("Late", kBlue);
    check("Outside", kWhite);
}

// With create-assembly set, the same compound is split into numbered members instead.
TEST_F(DocumentWriterTest, CompoundTakesItsFirstColouredMembersColourOrIsSplitWithCreateAssembly)
{
    const TopoDS_Shape box = MakeBox(1, 1, 1);
    const TopoDS_Shape cylinder = MakeCylinder(1, 4);
    XcafBuilder builder;
    const TDF_Label part = builder.AddPart("Pair", MakeCompound({box, cylinder}));
    builder.SetSubShapeColor(part, cylinder, kBlue);
    auto document = Import(builder);

    const auto shapes = ElementsOf<ShapeElement>(*document);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0]->GetName(), "Pair");
    EXPECT_TRUE(shapes[0]->IsBrowserable());
    EXPECT_TRUE(ColorNear(kBlue, shapes[0]->GetColor().r, shapes[0]->GetColor().g,
                          shapes[0]->GetColor().b));

    document = Import(builder, true);
    const auto assemblies = ElementsNamed(*document, "AssemblyElement");
    ASSERT_EQ(assemblies.size(), 1u);
    EXPECT_EQ(assemblies[0]->GetName(), "Pair");
    EXPECT_TRUE(static_cast<AssemblyElement*>(assemblies[0])->IsBrowserable());
    const auto* solid1 = dynamic_cast<ShapeElement*>(FindByName(*document, "Solid:1"));
    const auto* solid2 = dynamic_cast<ShapeElement*>(FindByName(*document, "Solid:2"));
    ASSERT_NE(solid1, nullptr);
    ASSERT_NE(solid2, nullptr);
    EXPECT_EQ(solid1->GetParentId(), assemblies[0]->GetId());
    EXPECT_TRUE(
        ColorNear(kWhite, solid1->GetColor().r, solid1->GetColor().g, solid1->GetColor().b));
    EXPECT_TRUE(ColorNear(kBlue, solid2->GetColor().r, solid2->GetColor().g, solid2->GetColor().b));
    EXPECT_EQ(ElementsOf<ShapeElement>(*document).size(), 2u);
}

TEST_F(DocumentWriterTest, AnUnsplitCompoundsFaceTableComparesWithThePartsOwnColour)
{
    // Members of different colours: the element takes the first coloured member's, and its
    // face table lists the faces with a colour of their own that differs from the colour the
    // part itself has (white here), not from the element's. Member colours do not reach the
    // faces: the box's faces other than face 0 show red as the element does, the cylinder's
    // uncoloured faces show red too.
    const TopoDS_Shape box = MakeBox(1, 1, 1);
    const TopoDS_Shape cylinder = MakeCylinder(1, 4);
    XcafBuilder builder;
    const TDF_Label part = builder.AddPart("Pair", MakeCompound({box, cylinder}));
    builder.SetSubShapeColor(part, box, kRed);
    builder.SetSubShapeColor(part, cylinder, kBlue);
    builder.SetFaceColor(part, 0, kRed);   // the element's colour, yet not the part's
    builder.SetFaceColor(part, 7, kGreen); // a cylinder face
    auto document = Import(builder);

    const auto shapes = ElementsOf<ShapeElement>(*document);
    ASSERT_EQ(shapes.size(), 1u);
    const glm::vec3 color = shapes[0]->GetColor();
    EXPECT_TRUE(ColorNear(kRed, color.r, color.g, color.b));
    ASSERT_TRUE(shapes[0]->GetFaceColors().has_value());
    const FaceColorTable& table = *shapes[0]->GetFaceColors();
    ASSERT_EQ(table.size(), 2u);
    ASSERT_EQ(table.count(0), 1u);
    ASSERT_EQ(table.count(7), 1u);
    EXPECT_TRUE(ColorNear(kRed, table.at(0).r, table.at(0).g, table.at(0).b));
    EXPECT_TRUE(ColorNear(kGreen, table.at(7).r, table.at(7).g, table.at(7).b));
}

TEST_F(DocumentWriterTest, SplitCompoundCountsVerticesSoNumbersHaveGaps)
{
    const TopoDS_Shape vertex = BRepBuilderAPI_MakeVertex(gp_Pnt(50, 50, 50)).Shape();
    XcafBuilder builder;
    builder.AddPart("Mixed", MakeCompound({vertex, MakeBox(1, 1, 1), MakeCylinder(1, 2)}));
    auto document = Import(builder, true);

    EXPECT_EQ(FindByName(*document, "Solid:1"), nullptr);
    EXPECT_NE(FindByName(*document, "Solid:2"), nullptr);
    EXPECT_NE(FindByName(*document, "Solid:3"), nullptr);
    EXPECT_EQ(ElementsOf<ShapeElement>(*document).size(), 2u);
}

TEST_F(DocumentWriterTest, SplitCompoundWithOneElementGivesThatElementItself)
{
    const TopoDS_Shape vertex = BRepBuilderAPI_MakeVertex(gp_Pnt(50, 50, 50)).Shape();
    XcafBuilder builder;
    builder.AddPart("Lonely", MakeCompound({MakeBox(1, 1, 1), vertex}));
    auto document = Import(builder, true);

    EXPECT_TRUE(ElementsNamed(*document, "AssemblyElement").empty());
    const auto shapes = ElementsOf<ShapeElement>(*document);
    ASSERT_EQ(shapes.size(), 1u);
    // STEP keeps the vertex but may store it first, so the solid's number is 1 or 2.
    EXPECT_TRUE(shapes[0]->GetName() == "Solid:1" || shapes[0]->GetName() == "Solid:2")
        << shapes[0]->GetName();
    EXPECT_TRUE(shapes[0]->IsBrowserable());
    EXPECT_EQ(shapes[0]->GetShape()->GetShapeType(), TopoShapeSolid);
}

TEST_F(DocumentWriterTest, TwoFreeAssembliesAreBrowserableAssembliesWithoutGroup)
{
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Box", MakeBox(1, 1, 1));
    const TDF_Label first = builder.AddAssembly("First");
    builder.AddComponent(first, box, Translation(0, 0, 0));
    const TDF_Label second = builder.AddAssembly("Second");
    builder.AddComponent(second, box, Translation(0, 0, 5));
    auto document = Import(builder);

    EXPECT_TRUE(ElementsNamed(*document, "GroupElement").empty());
    const auto assemblies = ElementsNamed(*document, "AssemblyElement");
    ASSERT_EQ(assemblies.size(), 2u);
    for (const Element* assembly : assemblies) {
        EXPECT_TRUE(static_cast<const AssemblyElement*>(assembly)->IsBrowserable());
    }
    EXPECT_EQ(ElementsOf<ShapeElement>(*document).size(), 1u);
}

TEST_F(DocumentWriterTest, SoleFreePartIsOneBrowserableShape)
{
    XcafBuilder builder;
    builder.AddPart("Alone", MakeBox(1, 2, 3));
    auto document = Import(builder);

    const auto shapes = ElementsOf<ShapeElement>(*document);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0]->GetName(), "Alone");
    EXPECT_TRUE(shapes[0]->IsBrowserable());
    EXPECT_FALSE(shapes[0]->IsManaged());
    ASSERT_NE(shapes[0]->GetShape(), nullptr);
    EXPECT_EQ(shapes[0]->GetShape()->GetShapeType(), TopoShapeSolid);
}

TEST_F(DocumentWriterTest, NonAsciiNamesArriveInBothTextEncodings)
{
    XcafBuilder builder;
    builder.AddPart("螺栓 M6 – Ø12", MakeBox(1, 1, 1));
    const std::string path = myDir.File("names.step");
    ASSERT_TRUE(builder.SaveStep(path));
    for (int encoding : {TextEncodingLocal, TextEncodingUtf8}) {
        Xde2Doc converter;
        ASSERT_TRUE(converter.Load(path));
        Document document;
        document.SetTextEncoding(encoding);
        converter.Transfer(&document);
        const auto shapes = ElementsOf<ShapeElement>(document);
        ASSERT_EQ(shapes.size(), 1u);
        EXPECT_EQ(shapes[0]->GetName(), "螺栓 M6 – Ø12") << "encoding " << encoding;
    }
}

TEST_F(DocumentWriterTest, LabelWithoutNameGivesAnEmptyName)
{
    // STEP always names products, and XCAF names new labels after their shape type unless
    // told not to; an IGES entity without a name read that way keeps a label without name.
    struct AutoNamingOff {
        AutoNamingOff() { XCAFDoc_ShapeTool::SetAutoNaming(Standard_False); }
        ~AutoNamingOff() { XCAFDoc_ShapeTool::SetAutoNaming(Standard_True); }
    } autoNamingOff;
    XcafBuilder builder;
    builder.AddPart("", MakeBox(1, 1, 1));
    builder.Finish();
    const std::string path = myDir.File("unnamed.igs");
    ASSERT_TRUE(XdeDocumentIGES::Save(path, builder.GetImpl(), nullptr));
    Xde2Doc converter;
    ASSERT_TRUE(converter.Load(path));
    converter.Transfer();
    const auto shapes = ElementsOf<ShapeElement>(*converter.GetDocument());
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0]->GetName(), "");
}

TEST_F(DocumentWriterTest, PrototypeThatGivesNoElementLeavesAnInstanceWithoutPrototype)
{
    // STEP keeps a lone point as a compound holding a vertex; split, it makes no element, so
    // its references have no prototype.
    XcafBuilder builder;
    const TDF_Label point =
        builder.AddPart("Point", BRepBuilderAPI_MakeVertex(gp_Pnt(1, 2, 3)).Shape());
    const TDF_Label box = builder.AddPart("Box", MakeBox(1, 1, 1));
    const TDF_Label assembly = builder.AddAssembly("Marked");
    builder.AddComponent(assembly, point, Translation(0, 0, 0), "marker");
    builder.AddComponent(assembly, box, Translation(0, 0, 0));
    ScopedLogCapture log;
    auto document = Import(builder, true);

    const InstanceElement* orphan = nullptr;
    for (const InstanceElement* instance : ElementsOf<InstanceElement>(*document)) {
        if (!instance->GetPrototypeId().IsValid()) {
            orphan = instance;
        }
    }
    ASSERT_NE(orphan, nullptr);
    EXPECT_TRUE(orphan->IsBrowserable());
    EXPECT_TRUE(orphan->GetAliasName().empty());
    const auto& records = log->GetRecords();
    auto failed = std::find_if(records.begin(), records.end(), [](const LogRecord& record) {
        return record.level == 3 && record.text == "Failed to create Type!";
    });
    ASSERT_NE(failed, records.end());
    ASSERT_NE(failed + 1, records.end());
    EXPECT_EQ((failed + 1)->level, 1);
    EXPECT_NE((failed + 1)->text.find(", AXde2Doc.cpp"), std::string::npos) << (failed + 1)->text;
}

TEST_F(DocumentWriterTest, EmptyKernelDocumentWritesNothingAndSaysSo)
{
    ScopedLogCapture log;
    Xde2Doc converter;
    ASSERT_TRUE(converter.Transfer());
    // Only the view made by Initialize.
    EXPECT_EQ(converter.GetDocument()->GetElementCount(), 1u);
    EXPECT_TRUE(log.Contains(1, "FreeShape Count: 0"));
}

} // namespace
