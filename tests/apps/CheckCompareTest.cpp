// Check and compare, called through the library: variants of the sample assembly are built
// with OCCT, written as STEP and read back; the reports' values are checked, and the text the
// program prints of them.
#include "PrintFormat.h"
#include "ReportPrinter.h"

#include "orvex/Check.h"
#include "orvex/Compare.h"
#include "orvex/Read.h"
#include "orvex/Write.h"

#include "Support/TestSupport.h"

#include "Interop/Kernel/XdeDocumentSTEP.h"
#include "Interop/Kernel/XdeLabelImpl.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeModelReader.h"
#include "Interop/Kernel/XdeModelWriter.h"
#include "Interop/Kernel/XdeValidationProps.h"

#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_NurbsConvert.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <STEPControl_Reader.hxx>
#include <ShapeFix_ShapeTolerance.hxx>
#include <StepBasic_Product.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepBasic_ProductDefinitionFormation.hxx>
#include <StepData_StepModel.hxx>
#include <StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_Representation.hxx>
#include <StepShape_ManifoldSolidBrep.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TNaming_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Solid.hxx>
#include <TransferBRep.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XCAFDoc_Centroid.hxx>
#include <XCAFDoc_Location.hxx>
#include <XCAFDoc_Volume.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_WorkSession.hxx>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using orvkit::XdeDocumentImpl;
using orvtest::TempDir;

// A comparison or a check of files: the report, the program's exit code for it (2 when a file
// cannot be read, with why in `err`) and its text or JSON as the program prints it.
struct VerbRun {
    int exitCode = 2;
    std::string out;
    std::string err;
    orvex::CompareReport compared;
    orvex::CheckReport checked;
};

bool ReadBoth(const std::vector<std::string>& files, std::vector<orvex::Model>& models,
              VerbRun& run)
{
    for (const std::string& file : files) {
        orvex::ReadResult read = orvex::Read(file);
        if (!read) {
            run.err = read.failure.Text() + "\n";
            return false;
        }
        models.push_back(std::move(*read.model));
    }
    return true;
}

VerbRun Compare(const std::string& first, const std::string& second, bool json = false,
                const orvex::CompareOptions& options = {})
{
    VerbRun run;
    std::vector<orvex::Model> models;
    if (!ReadBoth({first, second}, models, run)) {
        return run;
    }
    run.compared = orvex::Compare(models[0], models[1], options);
    run.exitCode = run.compared.Equal() ? 0 : 1;
    std::ostringstream text;
    orvex::cli::PrintCompare(text, run.compared);
    run.out = json ? run.compared.ToJson().dump() : text.str();
    return run;
}

VerbRun Check(const std::string& file, bool json = false)
{
    VerbRun run;
    std::vector<orvex::Model> models;
    if (!ReadBoth({file}, models, run)) {
        return run;
    }
    run.checked = orvex::Check(models[0]);
    run.exitCode = run.checked.Agrees() ? 0 : 1;
    std::ostringstream text;
    orvex::cli::PrintCheck(text, run.checked, orvkit::PathUtil::GetFileName(file) + ":");
    run.out = json ? run.checked.ToJson().dump() : text.str();
    return run;
}

// The sample read, changed by `edit`, and written as STEP to `name` in `dir`.
std::string WriteVariant(const TempDir& dir, const std::string& name,
                         const std::function<void(XdeDocumentImpl&)>& edit)
{
    XdeDocumentImpl impl;
    EXPECT_TRUE(orvkit::XdeModelReader::Open(orvtest::SamplePath(), impl, nullptr));
    edit(impl);
    const std::string path = dir.File(name);
    EXPECT_TRUE(orvkit::XdeDocumentSTEP::Save(path, impl, nullptr));
    return path;
}

TDF_Label Named(const XdeDocumentImpl& impl, const std::string& name)
{
    const TDF_Label label = orvkit::XdeModelEdit::FindNamed(impl, name);
    EXPECT_FALSE(label.IsNull()) << name;
    TDF_Label referred = label;
    XCAFDoc_ShapeTool::GetReferredShape(label, referred);
    return referred;
}

// The first component, depth first, that places the part named `part`.
TDF_Label FirstInstanceOf(const XdeDocumentImpl& impl, const std::string& part)
{
    TDF_LabelSequence shapes;
    impl.shapeTool->GetShapes(shapes);
    for (const TDF_Label& assembly : shapes) {
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(assembly, components);
        for (const TDF_Label& component : components) {
            TDF_Label referred;
            XCAFDoc_ShapeTool::GetReferredShape(component, referred);
            if (orvkit::XdeLabelImpl(referred).GetName() == part.c_str()) {
                return component;
            }
        }
    }
    ADD_FAILURE() << "no instance of " << part;
    return {};
}

void Move(XdeDocumentImpl& impl, const TDF_Label& component, double dx)
{
    gp_Trsf shift;
    shift.SetTranslation(gp_Vec(dx, 0, 0));
    const TopLoc_Location placed =
        TopLoc_Location(shift) * XCAFDoc_ShapeTool::GetLocation(component);
    XCAFDoc_Location::Set(component, placed);
    TDF_Label referred;
    XCAFDoc_ShapeTool::GetReferredShape(component, referred);
    TNaming_Builder(component).Generated(XCAFDoc_ShapeTool::GetShape(referred).Located(placed));
    impl.shapeTool->UpdateAssemblies();
}

class CompareTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Variants are compared with the sample written unchanged, so that each shows only its
        // own change and none of what a write and a read do to the numbers.
        myBase = WriteVariant(myDir, "base.stp", [](XdeDocumentImpl&) {});
    }

    TempDir myDir;
    std::string myBase;
};

TEST_F(CompareTest, AFileIsEqualToItselfAndToItsOwnRewrite)
{
    const VerbRun self = Compare(orvtest::SamplePath(), orvtest::SamplePath());
    EXPECT_EQ(self.exitCode, 0) << self.out;
    EXPECT_EQ(orvtest::Lines(self.out), 1u) << self.out;
    EXPECT_NE(self.out.find("equal"), std::string::npos) << self.out;

    const VerbRun rewritten = Compare(orvtest::SamplePath(), myBase);
    EXPECT_EQ(rewritten.exitCode, 0) << rewritten.out;
}

TEST_F(CompareTest, MovedInstanceIsNamedAndTheRestStaysEqual)
{
    const std::string moved = WriteVariant(myDir, "moved.stp", [](XdeDocumentImpl& impl) {
        Move(impl, FirstInstanceOf(impl, "plate"), 1.0);
    });
    const VerbRun run = Compare(myBase, moved, true);
    ASSERT_EQ(run.exitCode, 1) << run.out;
    const nlohmann::json out = nlohmann::json::parse(run.out);
    EXPECT_FALSE(out["equal"].get<bool>());
    bool placement = false;
    for (const nlohmann::json& difference : out["differences"]) {
        // The plate moves, and with it the model's bounding box; nothing else.
        const std::string what = difference["what"];
        EXPECT_TRUE(what == "placement" || what == "bounding box") << difference.dump();
        if (what == "placement") {
            placement = true;
            EXPECT_EQ(difference["path"], "product name/plate");
        }
    }
    EXPECT_TRUE(placement) << run.out;
}

// Each change is one line naming the path and both values; a renamed part is still paired by
// its order, so its geometry and placement are compared and agree.
TEST_F(CompareTest, EachChangeIsNamedWithItsPathAndBothValues)
{
    const struct {
        const char* name;
        std::function<void(XdeDocumentImpl&)> edit;
        std::vector<std::string> shown;
        const char* absent; // what belongs to another change
    } cases[] = {
        {"colour",
         [](XdeDocumentImpl& impl) {
             impl.colorTool->SetColor(Named(impl, "l-bracket"),
                                      Quantity_Color(1.0, 0.0, 0.0, Quantity_TOC_RGB),
                                      XCAFDoc_ColorSurf);
         },
         {"l-bracket-assembly:1/l-bracket: colour ", " vs #ff0000", "1 difference;"},
         "only in"},
        {"renamed",
         [](XdeDocumentImpl& impl) {
             TDataStd_Name::Set(Named(impl, "rod"), TCollection_ExtendedString("shaft"));
         },
         {"product name/rod-assembly/rod: name 'rod' vs 'shaft'", "1 difference;"},
         "only in"},
        // Siblings of one name are numbered, and the missing one is listed.
        {"fewer",
         [](XdeDocumentImpl& impl) {
             impl.shapeTool->RemoveComponent(FirstInstanceOf(impl, "nut"));
             impl.shapeTool->UpdateAssemblies();
         },
         {"product name/rod-assembly/nut:2: only in the first file", "(model): instances"},
         ": name '"},
    };
    for (const auto& c : cases) {
        const VerbRun run =
            Compare(myBase, WriteVariant(myDir, c.name + std::string(".stp"), c.edit));
        EXPECT_EQ(run.exitCode, 1) << c.name << "\n" << run.out;
        for (const std::string& shown : c.shown) {
            EXPECT_NE(run.out.find(shown), std::string::npos) << c.name << "\n" << run.out;
        }
        EXPECT_EQ(run.out.find(c.absent), std::string::npos) << c.name << "\n" << run.out;
    }
}

TEST_F(CompareTest, MeshFormatLeavesOutVolumeAndSaysSo)
{
    XdeDocumentImpl impl;
    ASSERT_TRUE(orvkit::XdeModelReader::Open(orvtest::SamplePath(), impl, nullptr));
    const std::string mesh = myDir.File("sample.stl");
    ASSERT_EQ(orvkit::XdeModelWriter::Save(mesh, impl, {}).failure, "");
    const VerbRun run = Compare(orvtest::SamplePath(), mesh, true, {1e-2, 1e-2});
    const nlohmann::json out = nlohmann::json::parse(run.out);
    std::vector<std::string> leftOut;
    for (const nlohmann::json& item : out["leftOut"]) {
        leftOut.push_back(item["topic"]);
    }
    for (const char* topic : {"volume", "colours", "tree"}) {
        EXPECT_NE(std::find(leftOut.begin(), leftOut.end(), topic), leftOut.end()) << run.out;
    }
    // Triangles within 0.1 % of each part's size: the whole model's area and box agree at 1 %.
    EXPECT_EQ(run.exitCode, 0) << run.out;
}

// A document of one part, `shape`, named "part"; `edit` colours it.
void OnePart(XdeDocumentImpl& impl, const TopoDS_Shape& shape,
             const std::function<void(XdeDocumentImpl&, const TDF_Label&)>& edit = {})
{
    ASSERT_TRUE(impl.CreateNew());
    const TDF_Label part = impl.shapeTool->AddShape(shape, Standard_False);
    TDataStd_Name::Set(part, TCollection_ExtendedString("part"));
    if (edit) {
        edit(impl, part);
    }
    impl.RefreshTools();
}

std::string WritePart(const TempDir& dir, const std::string& name, const TopoDS_Shape& shape)
{
    XdeDocumentImpl impl;
    OnePart(impl, shape);
    const std::string path = dir.File(name);
    EXPECT_TRUE(orvkit::XdeDocumentSTEP::Save(path, impl, nullptr));
    return path;
}

// What measures the same can be built differently: a box of 6 faces and the same box fused
// from two halves whose faces stay split (10 faces, same volume, area, centroid and box); the
// faces of a shell and the same faces apart (their edges no longer shared). The build shows.
TEST_F(CompareTest, ShapesThatMeasureTheSameButAreBuiltDifferentlyDiffer)
{
    const TopoDS_Shape box = orvtest::MakeBox(10, 10, 10);
    const TopoDS_Shape lower = orvtest::MakeBox(10, 10, 5);
    const TopoDS_Shape upper =
        orvtest::MakeBox(10, 10, 5).Moved(TopLoc_Location(orvtest::Translation(0, 0, 5)));
    BRepAlgoAPI_Fuse fused(lower, upper);
    ASSERT_TRUE(fused.IsDone());
    TopExp_Explorer shell(box, TopAbs_SHELL);
    std::vector<TopoDS_Shape> faces;
    for (TopExp_Explorer it(box, TopAbs_FACE); it.More(); it.Next()) {
        faces.push_back(BRepBuilderAPI_Copy(it.Current()).Shape());
    }
    const struct {
        const char* name;
        TopoDS_Shape first;
        TopoDS_Shape second;
        std::vector<std::string> shown;
    } cases[] = {
        {"fused", box, fused.Shape(), {"part: faces 6 vs 10", "part: edges 12 vs 20"}},
        {"apart",
         shell.Current(),
         orvtest::MakeCompound(faces),
         {"part: edges 12 vs 24", "part: free edges 0 vs 24"}},
    };
    for (const auto& c : cases) {
        const VerbRun run = Compare(WritePart(myDir, c.name + std::string("1.stp"), c.first),
                                    WritePart(myDir, c.name + std::string("2.stp"), c.second));
        EXPECT_EQ(run.exitCode, 1) << c.name << "\n" << run.out;
        for (const std::string& shown : c.shown) {
            EXPECT_NE(run.out.find(shown), std::string::npos) << c.name << "\n" << run.out;
        }
        for (const char* measure : {"part: volume", "part: area", "part: centroid", "box "}) {
            EXPECT_EQ(run.out.find(measure), std::string::npos) << c.name << "\n" << run.out;
        }
    }
}

// A box whose faces, edges and vertices are known to 1 µm, as a reader's healing leaves an IGES
// face: moved by a fifth of that, as healing its borders again moves them, its bounding box
// agrees; moved by five times that, it differs.
TEST_F(CompareTest, TheBoundingBoxAgreesWithinTheShapesOwnTolerance)
{
    const auto written = [&](const std::string& name, double shift) {
        TopoDS_Shape box = orvtest::MakeBox(10, 10, 10);
        ShapeFix_ShapeTolerance().SetTolerance(box, 1e-3);
        box =
            BRepBuilderAPI_Transform(box, orvtest::Translation(shift, 0, 0), Standard_True).Shape();
        const std::string path = myDir.File(name);
        EXPECT_TRUE(BRepTools::Write(box, path.c_str()));
        return path;
    };
    const std::string original = written("box.brep", 0.0);
    EXPECT_EQ(Compare(original, written("healed.brep", 2e-4)).exitCode, 0);
    const VerbRun moved = Compare(original, written("moved.brep", 5e-3));
    EXPECT_EQ(moved.exitCode, 1);
    EXPECT_NE(moved.out.find("bounding box"), std::string::npos) << moved.out;
}

// The same cylinder with its faces as a plane and a cylinder, and as NURBS surfaces: equal.
// Integrated at a fixed number of points a knot span, the NURBS one measured 0.9 % more volume.
TEST_F(CompareTest, TheSameShapeOnOtherSurfacesMeasuresTheSame)
{
    const TopoDS_Shape cylinder = BRepPrimAPI_MakeCylinder(5, 20).Shape();
    const TopoDS_Shape nurbs = BRepBuilderAPI_NurbsConvert(cylinder).Shape();
    const VerbRun run =
        Compare(WritePart(myDir, "analytic.stp", cylinder), WritePart(myDir, "nurbs.stp", nurbs));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NEAR(orvkit::XdeValidationProps::Compute(nurbs).volume, M_PI * 25 * 20,
                1e-5 * M_PI * 25 * 20);
}

// A part's edge colours are their own topic, never face colours; an open shell is measured by
// its area and the centroid of its surface, not by the volume of a solid it does not bound.
TEST_F(CompareTest, EdgeColoursAndOpenShellsAreComparedForWhatTheyAre)
{
    std::vector<TopoDS_Shape> edges;
    for (int i = 0; i < 3; ++i) {
        edges.push_back(BRepBuilderAPI_MakeEdge(gp_Pnt(0, i, 0), gp_Pnt(10, i, 0)).Edge());
    }
    const TopoDS_Compound wires = orvtest::MakeCompound(edges);
    auto coloured = std::make_unique<XdeDocumentImpl>();
    OnePart(*coloured, wires, [&](XdeDocumentImpl& impl, const TDF_Label& part) {
        const TDF_Label edge = impl.shapeTool->AddSubShape(part, edges[1]);
        impl.colorTool->SetColor(edge, Quantity_Color(Quantity_NOC_RED), XCAFDoc_ColorCurv);
    });
    const std::string plain = WritePart(myDir, "plain.stp", wires);
    const orvex::ReadResult read = orvex::Read(plain);
    ASSERT_TRUE(read) << read.failure.Text();
    const orvex::CompareReport result =
        orvex::Compare(orvex::Model::Adopt(std::move(coloured), "wires.stp"), *read.model);
    ASSERT_EQ(result.differences.size(), 1u) << result.ToJson().dump(1);
    EXPECT_EQ(result.differences[0].path, "part");
    EXPECT_EQ(result.differences[0].topic, "edge colours");
    EXPECT_EQ(result.differences[0].a, "1 (#ff0000)");
    EXPECT_EQ(result.differences[0].b, "none");

    // A box without its top, made a solid: BRepGProp gives it a volume that depends on where
    // it is open. Without its bottom instead, it measures the same area and is still told
    // apart by its surface's centroid.
    const auto openBox = [](int skipped) {
        BRep_Builder builder;
        TopoDS_Shell shell;
        builder.MakeShell(shell);
        int index = 0;
        for (TopExp_Explorer it(orvtest::MakeBox(10, 10, 10), TopAbs_FACE); it.More(); it.Next()) {
            if (index++ != skipped) {
                builder.Add(shell, it.Current());
            }
        }
        TopoDS_Solid solid;
        builder.MakeSolid(solid);
        builder.Add(solid, shell);
        return TopoDS_Shape(solid);
    };
    const std::string top = WritePart(myDir, "top.stp", openBox(5));
    const VerbRun same = Compare(top, top);
    EXPECT_EQ(same.exitCode, 0) << same.out;
    const VerbRun other = Compare(top, WritePart(myDir, "bottom.stp", openBox(4)));
    EXPECT_EQ(other.exitCode, 1) << other.out;
    EXPECT_NE(other.out.find("part: centroid (5, 5, 4) vs (5, 5, 6)"), std::string::npos)
        << other.out;
    EXPECT_EQ(other.out.find(": volume"), std::string::npos) << other.out;
}

// A written file is read back and compared with the model it was written from: the sample's
// own rewrite is equal, and a model written twice is written the same both times (the write
// works on a copy). A file that is not what the model says (here the model moved) is named
// with its differences; one that cannot be read is named with the parser's words.
TEST_F(CompareTest, VerifiedWriteNamesWhatReadsBackDifferent)
{
    const orvex::ReadResult sample = orvex::Read(orvtest::SamplePath());
    ASSERT_TRUE(sample);
    orvex::WriteOptions verify;
    verify.verify = true;
    for (const char* name : {"first.stp", "second.stp"}) {
        const orvex::WriteReport written = orvex::Write(*sample.model, myDir.File(name), verify);
        EXPECT_TRUE(written.Ok()) << written.Problem();
        EXPECT_EQ(written.verified, std::optional<bool>(true)) << name;
        EXPECT_GT(written.bytes, 10000u);
        EXPECT_TRUE(written.Problem().empty());
    }
    // Instances are shared parts placed, so the copy's locations must be the ones its shapes
    // carry: a copy that loses them loses every instance's name.
    EXPECT_EQ(Compare(myDir.File("first.stp"), myDir.File("second.stp")).exitCode, 0);

    auto impl = std::make_unique<XdeDocumentImpl>();
    ASSERT_TRUE(orvkit::XdeModelReader::Open(orvtest::SamplePath(), *impl, nullptr));
    Move(*impl, FirstInstanceOf(*impl, "plate"), 1.0);
    const orvex::Model moved = orvex::Model::Adopt(std::move(impl), orvtest::SamplePath());
    const orvex::CompareReport compared = orvex::Compare(moved, *sample.model);
    ASSERT_FALSE(compared.Equal());
    orvex::WriteReport report;
    report.path = "out.stp";
    report.verified = false;
    for (const orvex::Difference& difference : compared.differences) {
        report.differences.push_back(difference.Text());
    }
    EXPECT_FALSE(report.Ok());
    EXPECT_EQ(report.Problem().rfind("'out.stp': written, but it reads back different: "
                                     "product name/plate: placement at (1, 0, 0) vs identity",
                                     0),
              0u)
        << report.Problem();

    const std::string broken = myDir.Write("broken.stp", "ISO-10303-21;\nnot a model\n");
    const orvex::ReadResult back = orvex::Read(broken);
    ASSERT_FALSE(back);
    EXPECT_EQ(back.failure.kind, "parse error");
    EXPECT_EQ(back.failure.Text().rfind("cannot read '" + broken + "': not a readable STEP", 0), 0u)
        << back.failure.Text();
}

TEST(VerbErrorTest, UnreadableFileGivesExitTwoAndOneLine)
{
    const TempDir dir;
    const std::string missing = dir.File("missing.stp");
    for (const VerbRun& run : {Compare(orvtest::SamplePath(), missing), Check(missing)}) {
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(orvtest::Lines(run.err), 1u) << run.err;
        EXPECT_NE(run.err.find("missing.stp"), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    const std::string broken = dir.Write("broken.stp", "ISO-10303-21;\nnot a model\n");
    EXPECT_EQ(Compare(broken, orvtest::SamplePath()).exitCode, 2);
}

class CheckTest : public testing::Test {
protected:
    TempDir myDir;
};

// A STEP file as OCCT reads and translates it, for the numbers of the entities that a test
// attaches properties to.
class StepEntities {
public:
    explicit StepEntities(const std::string& path)
    {
        EXPECT_EQ(myReader.ReadFile(path.c_str()), IFSelect_RetDone) << path;
        myReader.TransferRoots();
    }

    template <class T> std::vector<Handle(T)> All() const
    {
        std::vector<Handle(T)> found;
        const Handle(Interface_InterfaceModel) model = myReader.Model();
        for (int i = 1; i <= model->NbEntities(); ++i) {
            if (const Handle(T) entity = Handle(T)::DownCast(model->Value(i))) {
                found.push_back(entity);
            }
        }
        return found;
    }

    // "#12": the entity's number in the file.
    std::string Ref(const Handle(Standard_Transient)& entity) const
    {
        return "#" + std::to_string(myReader.StepModel()->IdentLabel(entity));
    }

    TopoDS_Shape ShapeOf(const Handle(Standard_Transient)& entity) const
    {
        return TransferBRep::ShapeResult(myReader.WS()->TransferReader()->TransientProcess(),
                                         entity);
    }

    // The shape definition of the occurrence named `name`, or of a product definition.
    std::string ShapeOfOccurrence(const std::string& name) const
    {
        for (const auto& shape : All<StepRepr_ProductDefinitionShape>()) {
            const auto occurrence = Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(
                shape->Definition().ProductDefinitionRelationship());
            if (occurrence && occurrence->Name()->String() == name.c_str()) {
                return Ref(shape);
            }
        }
        ADD_FAILURE() << "no occurrence " << name;
        return {};
    }

    std::string ShapeOfProduct() const
    {
        for (const auto& shape : All<StepRepr_ProductDefinitionShape>()) {
            if (shape->Definition().ProductDefinition()) {
                return Ref(shape);
            }
        }
        ADD_FAILURE() << "no product";
        return {};
    }

    // The shape definition of the product named `name`, and the context the file represents
    // that shape in.
    std::pair<std::string, std::string> ShapeOfProduct(const std::string& name) const
    {
        for (const auto& definition : All<StepShape_ShapeDefinitionRepresentation>()) {
            const auto shape = Handle(StepRepr_ProductDefinitionShape)::DownCast(
                definition->Definition().PropertyDefinition());
            const Handle(StepBasic_ProductDefinition) product =
                shape.IsNull() ? nullptr : shape->Definition().ProductDefinition();
            if (product && product->Formation()->OfProduct()->Name()->String() == name.c_str()) {
                return {Ref(shape), Ref(definition->UsedRepresentation()->ContextOfItems())};
            }
        }
        ADD_FAILURE() << "no product " << name;
        return {};
    }

    // A representation context in millimetres.
    std::string Context() const
    {
        return Ref(All<StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx>().at(0));
    }

private:
    STEPControl_Reader myReader;
};

// Adds `entities` to the data section of the STEP file at `path`, "@1", "@2"... numbered past
// the file's largest entity number.
void AppendEntities(const std::string& path, std::string entities)
{
    std::string text = orvtest::ReadWholeFile(path);
    int largest = 0;
    const std::regex number("#([0-9]+)\\s*=");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), number);
         it != std::sregex_iterator(); ++it) {
        largest = std::max(largest, std::stoi((*it)[1].str()));
    }
    for (int i = 19; i >= 1; --i) {
        entities = std::regex_replace(entities, std::regex("@" + std::to_string(i)),
                                      "#" + std::to_string(largest + i));
    }
    const size_t end = text.rfind("ENDSEC;");
    ASSERT_NE(end, std::string::npos);
    text.insert(end, entities);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A validation property of the entity `carrier` (@1 to @8): a centroid, a volume when
// `volume` is positive, and the items `moreItems` (",@9") after them.
std::string PropertyText(const std::string& carrier, const std::string& context,
                         const gp_XYZ& point, double volume = 0.0,
                         const std::string& moreItems = "")
{
    std::string text = fmt::format(
        "@1=PROPERTY_DEFINITION_REPRESENTATION(@2,@3);\n"
        "@2=PROPERTY_DEFINITION('geometric validation property','test',{});\n"
        "@3=REPRESENTATION('',(@4{}{}),{});\n"
        "@4=CARTESIAN_POINT('centre point',({:.9f},{:.9f},{:.9f}));\n",
        carrier, volume > 0.0 ? ",@5" : "", moreItems, context, point.X(), point.Y(), point.Z());
    if (volume > 0.0) {
        text += fmt::format("@5=MEASURE_REPRESENTATION_ITEM('volume measure',VOLUME_MEASURE("
                            "{:.9f}),@6);\n@6=DERIVED_UNIT((@7));\n@7=DERIVED_UNIT_ELEMENT(@8,3.);"
                            "\n@8=(LENGTH_UNIT()NAMED_UNIT(*)SI_UNIT(.MILLI.,.METRE.));\n",
                            volume);
    }
    return text;
}

// The report of `key` (a kind or a path) in the check's JSON; null when there is none.
const nlohmann::json* ReportOf(const nlohmann::json& out, const char* key, const std::string& value)
{
    for (const nlohmann::json& product : out["products"]) {
        if (product[key] == value) {
            return &product;
        }
    }
    return nullptr;
}

// A block placed twice in a frame; the file declares the centroid of the second placement
// on that occurrence, in the frame's coordinates. It agrees there, and only there: the
// block's own centroid, or the first placement's, declared on it differs.
TEST_F(CheckTest, ComponentCentroidIsComparedInTheFrameOfItsAssembly)
{
    orvtest::XcafBuilder builder;
    const TDF_Label block = builder.AddPart("block", orvtest::MakeBox(10, 20, 30));
    const TDF_Label frame = builder.AddAssembly("frame");
    builder.AddComponent(frame, block, orvtest::Translation(100, 0, 0), "block_1");
    builder.AddComponent(frame, block, orvtest::Translation(0, 200, 0), "block_2");
    builder.Finish();
    const gp_XYZ own(5, 10, 15);
    const gp_XYZ placed(5, 210, 15);
    const gp_XYZ first(105, 10, 15);
    for (const gp_XYZ& declared : {placed, own, first}) {
        const std::string path = myDir.File("frame.stp");
        ASSERT_TRUE(builder.SaveStep(path));
        const StepEntities entities(path);
        AppendEntities(path, PropertyText(entities.ShapeOfOccurrence("block_2"), entities.Context(),
                                          declared, 6000.0));
        const VerbRun run = Check(path, true);
        const bool right = declared.IsEqual(placed, 1e-9);
        ASSERT_EQ(run.exitCode, right ? 0 : 1) << run.out;
        const nlohmann::json out = nlohmann::json::parse(run.out);
        const nlohmann::json* component = ReportOf(out, "kind", "component");
        ASSERT_NE(component, nullptr) << run.out;
        EXPECT_EQ((*component)["path"], "frame/block_2");
        EXPECT_EQ((*component)["volume"]["verdict"], "ok");
        EXPECT_EQ((*component)["centroid"]["verdict"], right ? "ok" : "differs");
        EXPECT_NEAR((*component)["centroid"]["computed"][1].get<double>(), 210.0, 1e-6);
        EXPECT_EQ(out["differences"], right ? 0 : 1);
    }
    const VerbRun text = Check(myDir.File("frame.stp"));
    EXPECT_NE(text.out.find("  frame/block_2 (component)\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("1 part, 1 component: 1 declared value differs"), std::string::npos)
        << text.out;
}

// A part of two boxes. A shape aspect naming the larger box declares its volume and centroid,
// which agree with that box; a shape aspect whose geometry the file does not give is not
// compared with anything, in one line; the part's own centroid is its centre point, whatever
// other points (a bounding box corner) its property lists after it.
TEST_F(CheckTest, ShapeAspectValuesAreMeasuredOnTheSubShapeTheyName)
{
    orvtest::XcafBuilder builder;
    const TopoDS_Shape large =
        BRepBuilderAPI_Transform(orvtest::MakeBox(20, 20, 20), orvtest::Translation(50, 0, 0))
            .Shape();
    builder.AddPart("pair", orvtest::MakeCompound({orvtest::MakeBox(10, 10, 10), large}));
    builder.Finish();
    const std::string path = myDir.File("pair.stp");
    ASSERT_TRUE(builder.SaveStep(path));
    const StepEntities entities(path);
    std::string largeBrep;
    for (const auto& brep : entities.All<StepShape_ManifoldSolidBrep>()) {
        if (orvkit::XdeValidationProps::Compute(entities.ShapeOf(brep)).volume > 7000.0) {
            largeBrep = entities.Ref(brep);
        }
    }
    ASSERT_FALSE(largeBrep.empty());
    const std::string part = entities.ShapeOfProduct();
    const std::string context = entities.Context();
    AppendEntities(path, PropertyText("@9", context, gp_XYZ(60, 10, 10), 8000.0) +
                             fmt::format("@9=SHAPE_ASPECT('','large box',{},.F.);\n"
                                         "@10=PROPERTY_DEFINITION('','shape for solid data',@9);\n"
                                         "@11=SHAPE_DEFINITION_REPRESENTATION(@10,@12);\n"
                                         "@12=SHAPE_REPRESENTATION('',({}),{});\n",
                                         part, largeBrep, context));
    AppendEntities(path, PropertyText("@9", context, gp_XYZ(1, 2, 3), 5.0) +
                             "@9=SHAPE_ASPECT('','lost'," + part + ",.F.);\n");
    const gp_XYZ whole = (gp_XYZ(5, 5, 5) * 1000.0 + gp_XYZ(60, 10, 10) * 8000.0) / 9000.0;
    AppendEntities(path, PropertyText(part, context, whole, 0.0, ",@9") +
                             "@9=CARTESIAN_POINT('bounding box corner point',(0.,0.,0.));\n");

    const VerbRun run = Check(path, true);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const nlohmann::json out = nlohmann::json::parse(run.out);
    // OCCT reads a part of two solids as an assembly of two parts; the aspect stays the part's.
    const nlohmann::json* pair = ReportOf(out, "path", "pair");
    const nlohmann::json* measured = ReportOf(out, "path", "pair/large box");
    const nlohmann::json* lost = ReportOf(out, "path", "pair/lost");
    ASSERT_TRUE(pair != nullptr && measured != nullptr && lost != nullptr) << run.out;
    EXPECT_EQ((*pair)["centroid"]["verdict"], "ok") << pair->dump();
    EXPECT_EQ((*measured)["kind"], "shape aspect");
    EXPECT_NEAR((*measured)["volume"]["computed"].get<double>(), 8000.0, 1e-6);
    EXPECT_EQ((*measured)["volume"]["verdict"], "ok");
    EXPECT_EQ((*measured)["centroid"]["verdict"], "ok");
    EXPECT_EQ((*lost)["kind"], "shape aspect");
    EXPECT_EQ((*lost)["volume"]["verdict"], "not compared");
    EXPECT_TRUE((*lost)["volume"]["computed"].is_null());

    const VerbRun text = Check(path);
    EXPECT_NE(
        text.out.find("  pair/lost (shape aspect)\n    not compared: its geometry is not "
                      "among the part's sub-shapes (declared volume 5, centroid (1, 2, 3))\n"),
        std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("every declared value agrees with the geometry; 2 not compared"),
              std::string::npos)
        << text.out;
}

// A frame places a block twice and a plate once, both off the frame's origin. The file hangs the
// block's and the plate's values on the frame, each stated in the context of that part's shape,
// as some writers do: they are checked on the parts, in the parts' own frames, and a block
// volume made 10 % larger differs for the block only. The frame's own values, stated in its
// own context, stay the frame's.
TEST_F(CheckTest, AssemblyValuesStatedInAPartsContextAreThatPartsValues)
{
    orvtest::XcafBuilder builder;
    const TDF_Label block = builder.AddPart("block", orvtest::MakeBox(10, 20, 30));
    const TDF_Label plate = builder.AddPart("plate", orvtest::MakeBox(40, 40, 2));
    const TDF_Label frame = builder.AddAssembly("frame");
    builder.AddComponent(frame, block, orvtest::Translation(100, 0, 0), "block_1");
    builder.AddComponent(frame, block, orvtest::Translation(0, 200, 0), "block_2");
    builder.AddComponent(frame, plate, orvtest::Translation(0, 0, -50), "plate_1");
    builder.Finish();
    const gp_XYZ whole =
        (gp_XYZ(105, 10, 15) * 6000 + gp_XYZ(5, 210, 15) * 6000 + gp_XYZ(20, 20, -49) * 3200) /
        15200;
    for (const double blockVolume : {6000.0, 6600.0}) {
        const bool right = blockVolume == 6000.0;
        const std::string path = myDir.File("frame.stp");
        ASSERT_TRUE(builder.SaveStep(path));
        const StepEntities entities(path);
        const auto [frameShape, frameContext] = entities.ShapeOfProduct("frame");
        const std::string blockContext = entities.ShapeOfProduct("block").second;
        const std::string plateContext = entities.ShapeOfProduct("plate").second;
        ASSERT_NE(blockContext, frameContext);
        AppendEntities(path,
                       PropertyText(frameShape, blockContext, gp_XYZ(5, 10, 15), blockVolume));
        AppendEntities(path, PropertyText(frameShape, plateContext, gp_XYZ(20, 20, 1), 3200.0));
        AppendEntities(path, PropertyText(frameShape, frameContext, whole, 15200.0));

        const VerbRun run = Check(path, true);
        ASSERT_EQ(run.exitCode, right ? 0 : 1) << run.out;
        const nlohmann::json out = nlohmann::json::parse(run.out);
        EXPECT_EQ(out["differences"], right ? 0 : 1);
        const nlohmann::json* frameReport = ReportOf(out, "path", "frame");
        const nlohmann::json* blockReport = ReportOf(out, "path", "frame/block");
        const nlohmann::json* plateReport = ReportOf(out, "path", "frame/plate");
        ASSERT_TRUE(frameReport && blockReport && plateReport) << run.out;
        EXPECT_EQ((*frameReport)["volume"]["declared"], 15200.0);
        EXPECT_EQ((*blockReport)["volume"]["declared"], blockVolume);
        EXPECT_EQ((*plateReport)["volume"]["declared"], 3200.0);
        for (const nlohmann::json* report : {frameReport, blockReport, plateReport}) {
            const bool altered = report == blockReport && !right;
            EXPECT_EQ((*report)["volume"]["verdict"], altered ? "differs" : "ok") << run.out;
            EXPECT_EQ((*report)["centroid"]["verdict"], "ok") << run.out;
        }
    }
}

// Properties written from the geometry agree; a rod's volume made 5 % larger differs for the
// rod only.
TEST_F(CheckTest, DeclaredPropertiesAgreeUnlessAlteredAndThenForThatPartOnly)
{
    for (const double factor : {1.0, 1.05}) {
        const bool altered = factor != 1.0;
        const std::string path = WriteVariant(
            myDir, altered ? "altered.stp" : "props.stp", [factor](XdeDocumentImpl& impl) {
                orvkit::XdeValidationProps::StoreForParts(impl);
                const TDF_Label rod = Named(impl, "rod");
                XCAFDoc_Volume::Set(rod, orvkit::XdeValidationProps::Declared(rod).volume * factor);
            });
        const VerbRun run = Check(path, true);
        ASSERT_EQ(run.exitCode, altered ? 1 : 0) << run.out;
        const nlohmann::json out = nlohmann::json::parse(run.out);
        EXPECT_EQ(out["agrees"].get<bool>(), !altered);
        EXPECT_EQ(out["differences"], altered ? 1 : 0);
        // The five parts and the four assemblies whose values the writer adds; the writer
        // declares a part's values on a shape aspect that names the part's solid.
        ASSERT_EQ(out["products"].size(), 14u) << run.out;
        const auto count = [&out](const char* kind) {
            return std::count_if(out["products"].begin(), out["products"].end(),
                                 [kind](const nlohmann::json& p) { return p["kind"] == kind; });
        };
        EXPECT_EQ(count("part"), 5);
        EXPECT_EQ(count("assembly"), 4);
        EXPECT_EQ(count("shape aspect"), 5);
        for (const nlohmann::json& part : out["products"]) {
            if (part["kind"] == "part") {
                continue;
            }
            const bool rod =
                part["path"].get<std::string>().rfind("product name/rod-assembly/rod/", 0) == 0;
            EXPECT_EQ(part["volume"]["verdict"], rod && altered ? "differs" : "ok") << part.dump();
            EXPECT_EQ(part["area"]["verdict"], "ok") << part.dump();
            EXPECT_EQ(part["centroid"]["verdict"], "ok") << part.dump();
        }
    }
    const VerbRun text = Check(myDir.File("altered.stp"));
    EXPECT_NE(text.out.find("differs (4.76 %)"), std::string::npos) << text.out;
}

TEST_F(CheckTest, AssemblyValuesAreCheckedAgainstItsPlacedComponents)
{
    // The root's declared values are those of BRepGProp over the whole placed assembly; the
    // check sums its parts' measures with their placements and must land on the same numbers.
    const auto declareRoot = [](double volumeFactor) {
        return [volumeFactor](XdeDocumentImpl& impl) {
            orvkit::XdeValidationProps::StoreForParts(impl);
            const TDF_Label root = impl.freeShapes.First();
            const orvkit::XdeValidationProps whole =
                orvkit::XdeValidationProps::Compute(XCAFDoc_ShapeTool::GetShape(root));
            XCAFDoc_Volume::Set(root, whole.volume * volumeFactor);
            XCAFDoc_Centroid::Set(root, whole.centroid);
        };
    };
    const VerbRun right = Check(WriteVariant(myDir, "root.stp", declareRoot(1.0)));
    EXPECT_EQ(right.exitCode, 0) << right.out;
    EXPECT_NE(right.out.find("product name (assembly)"), std::string::npos) << right.out;

    const VerbRun wrong = Check(WriteVariant(myDir, "wrong-root.stp", declareRoot(0.9)));
    EXPECT_EQ(wrong.exitCode, 1) << wrong.out;
    EXPECT_NE(wrong.out.find("1 declared value differs"), std::string::npos) << wrong.out;
}

TEST_F(CheckTest, ShapeWithoutDeclarationsShowsComputedValues)
{
    const std::string path = myDir.File("box.brep");
    ASSERT_TRUE(BRepTools::Write(orvtest::MakeBox(10, 20, 30), path.c_str()));
    const VerbRun run = Check(path, true);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const nlohmann::json part = nlohmann::json::parse(run.out)["products"].at(0);
    EXPECT_EQ(part["path"], "box");
    EXPECT_EQ(part["volume"]["verdict"], "not declared");
    EXPECT_TRUE(part["volume"]["declared"].is_null());
    EXPECT_NEAR(part["volume"]["computed"].get<double>(), 6000.0, 1e-6);
    EXPECT_NEAR(part["area"]["computed"].get<double>(), 2200.0, 1e-6);
    EXPECT_NEAR(part["centroid"]["computed"][2].get<double>(), 15.0, 1e-9);
}

} // namespace
