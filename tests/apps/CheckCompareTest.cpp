// The check and compare verbs, called as functions: variants of the sample assembly are built
// with OCCT, written as STEP and read back by the verbs.
#include "ModelCheck.h"
#include "ModelCompare.h"
#include "ModelWriting.h"

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
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TNaming_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Solid.hxx>
#include <XCAFDoc_Centroid.hxx>
#include <XCAFDoc_Location.hxx>
#include <XCAFDoc_Volume.hxx>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using orvkit::XdeDocumentImpl;
using orvtest::TempDir;

// What a verb printed and returned.
using VerbRun = orvtest::ProgramRun;

VerbRun RunVerb(const std::function<int()>& verb)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    VerbRun run;
    run.exitCode = verb();
    run.out = testing::internal::GetCapturedStdout();
    run.err = testing::internal::GetCapturedStderr();
    return run;
}

VerbRun Compare(const std::string& first, const std::string& second, bool json = false)
{
    orvex::cli::CompareOptions options;
    options.first = first;
    options.second = second;
    options.json = json;
    return RunVerb([&] { return orvex::cli::RunCompare(options); });
}

VerbRun Check(const std::string& file, bool json = false)
{
    return RunVerb([&] { return orvex::cli::RunCheck({file, json}); });
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
    orvex::cli::CompareOptions options{orvtest::SamplePath(), mesh, true, 1e-2, 1e-2};
    const VerbRun run = RunVerb([&] { return orvex::cli::RunCompare(options); });
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

// A part's edge colours are their own topic, never face colours; an open shell is measured by
// its area and the centroid of its surface, not by the volume of a solid it does not bound.
TEST_F(CompareTest, EdgeColoursAndOpenShellsAreComparedForWhatTheyAre)
{
    std::vector<TopoDS_Shape> edges;
    for (int i = 0; i < 3; ++i) {
        edges.push_back(BRepBuilderAPI_MakeEdge(gp_Pnt(0, i, 0), gp_Pnt(10, i, 0)).Edge());
    }
    const TopoDS_Compound wires = orvtest::MakeCompound(edges);
    XdeDocumentImpl coloured;
    OnePart(coloured, wires, [&](XdeDocumentImpl& impl, const TDF_Label& part) {
        const TDF_Label edge = impl.shapeTool->AddSubShape(part, edges[1]);
        impl.colorTool->SetColor(edge, Quantity_Color(Quantity_NOC_RED), XCAFDoc_ColorCurv);
    });
    const std::string plain = WritePart(myDir, "plain.stp", wires);
    orvex::cli::CompareResult result;
    orvkit::LoadFailure failure;
    ASSERT_TRUE(orvex::cli::CompareWritten(coloured, "wires.stp", plain, {}, result, failure));
    ASSERT_EQ(result.differences.size(), 1u) << result.Text();
    EXPECT_EQ(result.differences[0].what, "edge colours") << result.Text();
    EXPECT_EQ(result.differences[0].first, "1 (#ff0000)") << result.Text();

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
// own rewrite is equal; a file that is not what the model says (here the model moved after
// the write) is named with its differences, and so is one that cannot be read back.
TEST_F(CompareTest, VerifiedWriteNamesWhatReadsBackDifferent)
{
    XdeDocumentImpl impl;
    ASSERT_TRUE(orvkit::XdeModelReader::Open(orvtest::SamplePath(), impl, nullptr));
    EXPECT_TRUE(orvex::cli::VerifyWritten(impl, orvtest::SamplePath(), myBase).equal);

    Move(impl, FirstInstanceOf(impl, "plate"), 1.0);
    const orvex::cli::WriteVerdict moved =
        orvex::cli::VerifyWritten(impl, orvtest::SamplePath(), myBase);
    EXPECT_FALSE(moved.equal);
    ASSERT_FALSE(moved.differences.empty());
    const VerbRun printed = RunVerb([&] { return orvex::cli::PrintVerdict("out.stp", moved), 1; });
    EXPECT_EQ(orvtest::Lines(printed.err), 1u) << printed.err;
    EXPECT_NE(printed.err.find("error: 'out.stp': written, but it reads back different: "
                               "product name/plate: placement at (1, 0, 0) vs identity"),
              std::string::npos)
        << printed.err;

    const std::string broken = myDir.Write("broken.stp", "ISO-10303-21;\nnot a model\n");
    const orvex::cli::WriteVerdict unreadable =
        orvex::cli::VerifyWritten(impl, orvtest::SamplePath(), broken);
    EXPECT_FALSE(unreadable.equal);
    ASSERT_EQ(unreadable.differences.size(), 1u);
    EXPECT_EQ(unreadable.differences[0].rfind("it cannot be read back (", 0), 0u)
        << unreadable.differences[0];
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
        // The five parts, and the four assemblies whose values the writer adds.
        ASSERT_EQ(out["products"].size(), 9u) << run.out;
        EXPECT_EQ(std::count_if(out["products"].begin(), out["products"].end(),
                                [](const nlohmann::json& p) { return p["kind"] == "part"; }),
                  5);
        for (const nlohmann::json& part : out["products"]) {
            const bool rod = part["path"] == "product name/rod-assembly/rod";
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
