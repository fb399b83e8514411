// The program's verbs that reach the plugin through the command registry: run, read,
// import-part and commands.
#include "Support/TestSupport.h"

#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepTools.hxx>
#include <IGESControl_Reader.hxx>
#include <RWGltf_CafWriter.hxx>
#include <STEPControl_Reader.hxx>
#include <StlAPI_Writer.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>

#include <nlohmann/json.hpp>

#include <filesystem>

#include <sys/stat.h>

using namespace orvtest;

namespace {

const std::string kSample = SamplePath();

const char* const kObj = "o square\n"
                         "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                         "f 1 2 3\nf 1 3 4\n";

class CommandVerbsTest : public ::testing::Test {
protected:
    ProgramRun Program(const std::string& arguments) { return RunProgram(arguments, myDir); }

    // The program's JSON output, after checking it ran cleanly.
    nlohmann::json Json(const std::string& arguments)
    {
        const ProgramRun run = Program(arguments);
        EXPECT_EQ(run.exitCode, 0) << arguments << "\n" << run.err;
        return run.exitCode == 0 ? nlohmann::json::parse(run.out) : nlohmann::json();
    }

    // The elements of one class in a printed document.
    static std::vector<nlohmann::json> Elements(const nlohmann::json& document,
                                                const char* className)
    {
        std::vector<nlohmann::json> found;
        for (const auto& element : document["elements"]) {
            if (element["class"] == className) {
                found.push_back(element);
            }
        }
        return found;
    }

    void ExpectOneErrorLine(const ProgramRun& run, const std::string& words,
                            const std::string& arguments)
    {
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(Lines(run.err), 1u) << arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << arguments << "\n" << run.err;
    }

    std::string WriteMeshed(const std::string& name, const TopoDS_Shape& shape, bool gltf) const
    {
        BRepMesh_IncrementalMesh(shape, 0.1);
        const std::string path = myDir.File(name);
        if (!gltf) {
            StlAPI_Writer().Write(shape, path.c_str());
            return path;
        }
        XcafBuilder builder;
        builder.AddPart("Box", shape);
        RWGltf_CafWriter writer(path.c_str(), false);
        writer.Perform(builder.GetImpl().document, TColStd_IndexedDataMapOfStringString(),
                       Message_ProgressRange());
        return path;
    }

    TempDir myDir;
};

TEST_F(CommandVerbsTest, CommandsListsEachRegisteredCommandOnce)
{
    const nlohmann::json json = Json("commands --json");
    std::vector<std::string> names;
    for (const auto& command : json["commands"]) {
        names.push_back(command["name"]);
    }
    ASSERT_EQ(names, (std::vector<std::string>{"ExportModel", "ExportAssemblyChildren", "Import",
                                               "AdvImport", "ImportAsPart"}));
    EXPECT_EQ(json["commands"][2]["code"], 16);
    EXPECT_EQ(json["commands"][2]["path"], "/Shape/Import");
    const ProgramRun text = Program("commands");
    EXPECT_EQ(Lines(text.out), 5u);
    EXPECT_NE(text.out.find("Import  code=16  path=/Shape/Import\n"), std::string::npos);
}

TEST_F(CommandVerbsTest, ReadGivesTheKindOfShapeEachFormatHolds)
{
    const std::string brep = myDir.File("box.brep");
    ASSERT_TRUE(BRepTools::Write(MakeBox(1, 2, 3), brep.c_str()));
    const std::string stl = WriteMeshed("box.stl", MakeBox(1, 1, 1), false);
    const std::string gltf = WriteMeshed("box.gltf", MakeBox(1, 1, 1), true);
    const std::string obj = myDir.Write("square.OBJ", kObj);

    const auto solid = Elements(Json("read --json " + Quote(brep)), "ShapeElement");
    ASSERT_EQ(solid.size(), 1u);
    EXPECT_EQ(solid[0]["shapeType"], "Solid");
    EXPECT_EQ(solid[0]["faces"], 6);
    EXPECT_EQ(solid[0]["edges"], 12);
    EXPECT_EQ(solid[0]["name"], "box.brep");

    const auto mesh = Elements(Json("read --json " + Quote(stl)), "ShapeElement");
    ASSERT_EQ(mesh.size(), 1u);
    EXPECT_EQ(mesh[0]["shapeType"], "Face"); // one triangulated face, not a face per triangle
    for (const std::string& path : {obj, gltf}) {
        const nlohmann::json document = Json("read --json " + Quote(path));
        size_t faces = 0;
        for (const auto& element : Elements(document, "ShapeElement")) {
            faces += element["faces"].get<size_t>();
        }
        EXPECT_GE(faces, 1u) << path;
    }
    const ProgramRun text = Program("read " + Quote(brep));
    EXPECT_NE(text.out.find("ShapeElement #"), std::string::npos);
    EXPECT_NE(text.out.find("\"box.brep\" browserable Solid faces=6 edges=12"), std::string::npos)
        << text.out;
}

TEST_F(CommandVerbsTest, ReadSplitsCompoundsInteractivelyButNotInBatch)
{
    const nlohmann::json split = Json("read --json " + Quote(kSample));
    EXPECT_EQ(Elements(split, "GroupElement").size(), 1u);
    EXPECT_GE(Elements(split, "ShapeElement").size(), 2u);
    const nlohmann::json whole = Json("read --batch --json " + Quote(kSample));
    EXPECT_TRUE(Elements(whole, "GroupElement").empty());
    ASSERT_EQ(Elements(whole, "ShapeElement").size(), 1u);
    EXPECT_EQ(Elements(whole, "ShapeElement")[0]["shapeType"], "Compound");
}

TEST_F(CommandVerbsTest, VerboseShowsTheDialogAndTheZoomOfInteractiveRunsOnly)
{
    const std::string brep = myDir.File("box.brep");
    ASSERT_TRUE(BRepTools::Write(MakeBox(1, 1, 1), brep.c_str()));
    const ProgramRun interactive = Program("-v read " + Quote(brep));
    EXPECT_NE(interactive.err.find("dialog \"打开模型\": " + brep), std::string::npos)
        << interactive.err;
    EXPECT_NE(interactive.err.find("viewer: zoom to extent, factor 1.2"), std::string::npos);
    const ProgramRun batch = Program("-v read --batch " + Quote(brep));
    EXPECT_EQ(batch.exitCode, 0);
    EXPECT_EQ(batch.err.find("zoom"), std::string::npos) << batch.err;
}

TEST_F(CommandVerbsTest, RunPassesTypedParametersToTheCommand)
{
    const auto flat = Json("run AdvImport " + Quote(kSample) + " --json");
    EXPECT_EQ(Elements(flat, "AssemblyElement").size(), 3u);
    const auto assembled =
        Json("run AdvImport --set CreateAssembly=true " + Quote(kSample) + " --json");
    EXPECT_EQ(Elements(assembled, "AssemblyElement").size(), 4u);
    EXPECT_EQ(assembled["file"], kSample);

    const std::string brep = myDir.File("box.brep");
    ASSERT_TRUE(BRepTools::Write(MakeBox(1, 1, 1), brep.c_str()));
    const auto batch = Json("run Import --batch --set FilePath=" + Quote(brep) + " --json");
    EXPECT_EQ(Elements(batch, "ShapeElement").size(), 1u);
}

TEST_F(CommandVerbsTest, ImportPartPrintsTheElementAndTheSubDocument)
{
    const nlohmann::json json = Json("import-part --json --doc-type PART " + Quote(kSample));
    const auto externals = Elements(json, "ExternalDocument");
    ASSERT_EQ(externals.size(), 1u);
    EXPECT_EQ(externals[0]["name"], "as1-assembly.stp");
    EXPECT_EQ(externals[0]["documentId"], "as1-assembly.stp");
    ASSERT_EQ(json["subDocuments"].size(), 1u);
    const nlohmann::json& sub = json["subDocuments"][0];
    EXPECT_EQ(sub["type"], "PART");
    EXPECT_EQ(sub["name"], "as1-assembly.stp");
    EXPECT_EQ(sub["element"], externals[0]["id"]);
    EXPECT_EQ(sub["summary"]["InstanceElement"], 13);
    EXPECT_TRUE(Elements(json, "InstanceElement").empty()); // the content is not in the host

    const ProgramRun text = Program("import-part " + Quote(kSample));
    EXPECT_NE(text.out.find("document=\"as1-assembly.stp\""), std::string::npos);
    EXPECT_NE(text.out.find("Sub-document \"as1-assembly.stp\" (ORVX)"), std::string::npos);
}

TEST_F(CommandVerbsTest, BadInputGivesOneLineAndExitCodeOneForEveryVerb)
{
    const std::string sample = ReadWholeFile(kSample);
    std::filesystem::create_directory(myDir.File("folder.stl"));
    const std::string missing = Quote(myDir.File("missing.stl"));
    const std::string empty = Quote(myDir.Write("empty.stl", ""));
    const std::string folder = Quote(myDir.File("folder.stl"));
    const std::string garbage = Quote(myDir.Write("garbage.step", "just some text\n"));
    const std::string truncated =
        Quote(myDir.Write("truncated.stp", sample.substr(0, sample.size() / 3)));
    const std::string unknown = Quote(myDir.Write("model.xyz", sample));
    const std::pair<std::string, std::string> cases[] = {
        {"read " + missing, "no such file"},
        {"read --batch " + empty, "empty"},
        {"read " + folder, "not a regular file"},
        {"read " + garbage, "failed"},
        {"read --batch " + truncated, "failed"},
        {"read " + unknown, "no reader takes the extension '.xyz'"},
        {"read --make-solid -1 " + Quote(kSample), "-1"},
        {"import-part " + Quote(myDir.File("missing.stp")), "no such file"},
        {"import-part " + garbage, "failed"},
        {"import-part " + unknown, "not among the file types it reads"},
        {"run Import", "the dialog \"打开模型\" was cancelled"},
        {"run NoSuchCommand", "no command is registered under the name 'NoSuchCommand'"},
        {"run AdvImport --set CreateAssembly " + Quote(kSample), "--set takes KEY=VALUE"},
        {"run ImportAsPart " + truncated, "command 'ImportAsPart' failed"},
        {"run ExportModel", "command 'ExportModel' failed: Shape is null!"}, // an empty document
        {"run ExportAssemblyChildren", "没有找到活动的装配体。"},
    };
    for (const auto& [arguments, words] : cases) {
        ExpectOneErrorLine(Program(arguments), words, arguments);
    }
    // A name that starts with '-' is taken for an option; the line says how to pass it.
    ExpectOneErrorLine(Program("read -dash.step"), "goes after '--'", "read -dash.step");

    // A FIFO would block a reader for good; every verb refuses it at once.
    const std::string fifo = myDir.File("pipe.step");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const char* verb :
         {"read ", "read --batch ", "import ", "import-part ", "xde ", "scene ", "linetypes "}) {
        ExpectOneErrorLine(Program(std::string(verb) + Quote(fifo)), "", verb);
    }
}

TEST_F(CommandVerbsTest, JsonOutputSurvivesNamesThatAreNotUtf8)
{
    const std::string file = myDir.Write("latin1.lin", "*B\xe4NDER,Stra\xdf"
                                                       "e\nA,1,-1\n");
    const nlohmann::json json = Json("linetypes --json " + Quote(file));
    ASSERT_EQ(json["lineStyles"].size(), 1u);
    EXPECT_EQ(json["lineStyles"][0]["name"], "B\xef\xbf\xbdNDER"); // U+FFFD for the bad byte
}

TEST_F(CommandVerbsTest, MakeSolidSewsLooseFacesOfACorpusFile)
{
    const std::string file = CorpusFile("iges/OCC8842_cylinder_CATIA.igs");
    if (file.empty()) {
        GTEST_SKIP() << "shared corpus not present";
    }
    const auto loose = Elements(Json("read --json " + Quote(file)), "ShapeElement");
    EXPECT_EQ(loose.size(), 4u); // four faces, each its own element
    // The batch form takes the repair as a parameter rather than from the settings dialog.
    for (const char* verb :
         {"read --make-solid 0.01 --json ", "read --batch --make-solid 0.01 --json "}) {
        const auto solid = Elements(Json(verb + Quote(file)), "ShapeElement");
        ASSERT_EQ(solid.size(), 1u) << verb;
        EXPECT_EQ(solid[0]["shapeType"], "Solid") << verb;
        EXPECT_EQ(solid[0]["faces"], 4) << verb;
    }
}

// The program reads corpus files as OpenCASCADE's own readers do (ShapeIOCorpusTest compares
// every file at the library level; here a STEP assembly, a PMI part and an IGES model go the
// whole way through the program).
TEST_F(CommandVerbsTest, ReadGivesWhatOcctGivesOnCorpusFiles)
{
    if (CorpusFile("step").empty()) {
        GTEST_SKIP() << "shared corpus not present";
    }
    for (const char* relative :
         {"step/as1-oc-214.stp", "step-pmi/nist_ftc_11_asme1_ap242-e1.stp", "iges/BIGES.igs"}) {
        const std::string path = CorpusFile(relative);
        ASSERT_FALSE(path.empty()) << relative;
        IGESControl_Reader iges;
        STEPControl_Reader step;
        XSControl_Reader& reader = path.back() == 's' ? static_cast<XSControl_Reader&>(iges) : step;
        ASSERT_EQ(reader.ReadFile(path.c_str()), IFSelect_RetDone) << path;
        reader.TransferRoots();
        const TopoDS_Shape expected = reader.OneShape();
        const auto shapes = Elements(Json("read --batch --json " + Quote(path)), "ShapeElement");
        ASSERT_EQ(shapes.size(), 1u) << path;
        const char* kinds[] = {"Compound", "Compsolid", "Solid", "Shell",
                               "Face",     "Wire",      "Edge",  "Vertex"};
        EXPECT_EQ(shapes[0]["shapeType"], kinds[expected.ShapeType()]) << path;
        EXPECT_EQ(shapes[0]["faces"],
                  orvkit::TopoShape(expected).CountChildren(orvkit::TopoShapeFace))
            << path;
    }
}

} // namespace
