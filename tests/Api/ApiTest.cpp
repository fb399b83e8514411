// The library as a program outside the tree uses it: read the sample assembly, look at its
// parts, instances, colours and meshes, write it, split it and convert files, and check the
// reports' values against what is known of the file (its tree as `xde` shows it).
#include "Support/TestSupport.h"

#include "orvex/orvex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;
using orvtest::ReadWholeFile;
using orvtest::TempDir;
using orvtest::TestDataFile;

orvex::Model ReadSample()
{
    orvex::ReadResult read = orvex::Read(orvtest::SamplePath());
    EXPECT_TRUE(read) << read.failure.Text();
    return read ? *read.model : orvex::Model();
}

const orvex::Instance* Find(const std::vector<orvex::Instance>& instances, const std::string& path)
{
    const auto found = std::find_if(instances.begin(), instances.end(),
                                    [&](const orvex::Instance& i) { return i.path == path; });
    return found == instances.end() ? nullptr : &*found;
}

TEST(ApiModelTest, TheSampleGivesItsPartsInstancesColoursAndPlacements)
{
    const orvex::Model model = ReadSample();
    std::set<std::string> names;
    for (const orvex::Part& part : model.Parts()) {
        names.insert(part.name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"bolt", "l-bracket", "nut", "plate", "rod"}));
    EXPECT_EQ(model.Assemblies().size(), 4u);

    // Three in the rod assembly, seven in each of the two bracket assemblies, and the plate.
    const std::vector<orvex::Instance>& instances = model.Instances();
    ASSERT_EQ(instances.size(), 18u);
    const orvex::Instance* nut = Find(instances, "product name/rod-assembly/nut:1");
    ASSERT_NE(nut, nullptr);
    const orvex::Part& nutPart = model.Parts()[nut->part];
    EXPECT_EQ(nutPart.name, "nut");
    EXPECT_EQ(nutPart.color, std::optional<std::string>("#ff0000"));
    EXPECT_EQ(nut->color, nutPart.color);
    // The rod assembly turns 90 degrees about y and moves to (-10, 75, 60); the nut sits at
    // (-10, -7.5, 185) in it, so (185, -7.5, 10) turned, then moved.
    EXPECT_NEAR(nut->matrix[3], 175.0, 1e-9);
    EXPECT_NEAR(nut->matrix[7], 67.5, 1e-9);
    EXPECT_NEAR(nut->matrix[11], 70.0, 1e-9);
    EXPECT_NEAR(nut->matrix[2], 1.0, 1e-12); // x of the turned frame takes z
    EXPECT_EQ(nut->matrix[15], 1.0);
    EXPECT_NE(Find(instances, "product name/l-bracket-assembly:2/nut-bolt-assembly:3/bolt"),
              nullptr);

    const auto rod = std::find_if(model.Parts().begin(), model.Parts().end(),
                                  [](const orvex::Part& p) { return p.name == "rod"; });
    ASSERT_NE(rod, model.Parts().end());
    EXPECT_EQ(rod->faceColors.size(), 4u);
    for (const auto& [face, color] : rod->faceColors) {
        EXPECT_LT(static_cast<size_t>(face), rod->faces);
        EXPECT_EQ(color.size(), 7u);
    }
}

// Every face of a solid gets triangles, each triangle names its face, and meshing twice gives
// the same mesh: the model's own shapes are not meshed in passing.
TEST(ApiModelTest, MeshesNameTheirFacesAndLeaveTheModelAsItWas)
{
    const orvex::Model model = ReadSample();
    for (const orvex::Part& part : model.Parts()) {
        const orvex::Mesh mesh = model.MeshOf(part.index);
        ASSERT_FALSE(mesh.triangles.empty()) << part.name;
        EXPECT_EQ(mesh.triangles.size() % 3, 0u);
        EXPECT_EQ(mesh.faceIds.size() * 3, mesh.triangles.size());
        EXPECT_EQ(mesh.normals.size(), mesh.vertices.size());
        const uint32_t vertices = static_cast<uint32_t>(mesh.vertices.size() / 3);
        EXPECT_TRUE(std::all_of(mesh.triangles.begin(), mesh.triangles.end(),
                                [&](uint32_t v) { return v < vertices; }));
        const std::set<uint32_t> faces(mesh.faceIds.begin(), mesh.faceIds.end());
        EXPECT_EQ(faces.size(), part.faces) << part.name;
        EXPECT_EQ(*faces.rbegin(), part.faces - 1) << part.name;
        const orvex::Mesh again = model.MeshOf(part.index);
        EXPECT_EQ(again.triangles, mesh.triangles) << part.name;
        // A coarser deflection asked later gives fewer triangles, not the finer ones kept.
        orvex::MeshOptions coarse;
        coarse.deflection = 5.0;
        EXPECT_LE(model.MeshOf(part.index, coarse).faceIds.size(), mesh.faceIds.size());
    }
    EXPECT_TRUE(model.MeshOf(model.Parts().size()).triangles.empty());
}

TEST(ApiReadTest, AFailedReadNamesTheFileItsKindAndWhy)
{
    const TempDir dir;
    const struct {
        std::string path;
        const char* kind;
        const char* reason;
    } cases[] = {
        {dir.File("missing.stp"), "not found", "no such file"},
        {dir.Write("empty.step", ""), "empty", "the file is empty"},
        {dir.Write("garbage.stp", "ISO-10303-21;\nnonsense\n"), "parse error", "not a readable"},
        {dir.Write("model.xyz", "x"), "unknown extension", "unsupported extension"},
    };
    for (const auto& c : cases) {
        const orvex::ReadResult read = orvex::Read(c.path);
        ASSERT_FALSE(read) << c.path;
        EXPECT_EQ(read.failure.kind, c.kind) << c.path;
        EXPECT_EQ(read.failure.path, c.path);
        EXPECT_EQ(read.failure.Text().rfind("cannot read '" + c.path + "': " + c.reason, 0), 0u)
            << read.failure.Text();
        EXPECT_EQ(read.ToJson()["failure"]["kind"], c.kind);
    }
}

// Progress reaches the caller's function, never a handler of the process; a function that
// says stop ends the read as cancelled.
TEST(ApiReadTest, ProgressGoesToTheCallerWhoCanCancel)
{
    int calls = 0;
    orvex::ReadOptions options;
    options.progress = [&calls](const std::string& step, double fraction) {
        EXPECT_FALSE(step.empty());
        EXPECT_GE(fraction, 0.0);
        EXPECT_LE(fraction, 1.0);
        ++calls;
        return true;
    };
    EXPECT_TRUE(orvex::Read(orvtest::SamplePath(), options));
    EXPECT_GT(calls, 0);

    options.progress = [](const std::string&, double) { return false; };
    const orvex::ReadResult cancelled = orvex::Read(orvtest::SamplePath(), options);
    ASSERT_FALSE(cancelled);
    EXPECT_EQ(cancelled.failure.kind, "cancelled");
}

// A write works on a copy: the model can be written again in another format, and what it
// holds is unchanged; choices that cannot be written are refused before anything is.
TEST(ApiWriteTest, AModelIsWrittenManyTimesAndRefusesWhatCannotBeWritten)
{
    const TempDir dir;
    const orvex::Model model = ReadSample();
    const size_t instances = model.Instances().size();
    orvex::WriteOptions verify;
    verify.verify = true;
    for (const char* name : {"a.glb", "a.stp", "a.igs"}) {
        const orvex::WriteReport report = orvex::Write(model, dir.File(name), verify);
        EXPECT_TRUE(report.Ok()) << name << ": " << report.Problem();
        EXPECT_EQ(report.bytes, fs::file_size(dir.File(name)));
        EXPECT_EQ(report.ToJson()["verified"], true);
    }
    EXPECT_EQ(model.Instances().size(), instances);
    const orvex::ReadResult back = orvex::Read(dir.File("a.stp"));
    ASSERT_TRUE(back);
    EXPECT_TRUE(orvex::Compare(model, *back.model).Equal());

    // A model given up is written as it stands, and left empty; one that a copy still shares is
    // copied first, so that the copy is left as it was.
    orvex::Model given = ReadSample();
    const orvex::Model kept = given;
    EXPECT_TRUE(orvex::Write(std::move(given), dir.File("c.stp"), verify).Ok());
    EXPECT_EQ(kept.Instances().size(), instances);
    EXPECT_TRUE(orvex::Write(orvex::Model(kept), dir.File("d.stp")).Ok());
    EXPECT_TRUE(orvex::Write(ReadSample(), dir.File("e.stp"), verify).Ok());
    EXPECT_TRUE(given.Parts().empty());
    EXPECT_TRUE(orvex::Compare(kept, *orvex::Read(dir.File("d.stp")).model).Equal());

    orvex::WriteOptions bad;
    bad.unit = "furlong";
    EXPECT_EQ(
        orvex::Write(model, dir.File("b.stp"), bad).failure.rfind("unknown unit 'furlong'", 0), 0u);
    bad = {};
    bad.select = "no such part";
    EXPECT_EQ(orvex::Write(model, dir.File("b.stp"), bad).failure,
              "no part, assembly or instance is named 'no such part'");
    EXPECT_EQ(orvex::Write(model, dir.File("b.xyz")).failure.rfind("cannot write '", 0), 0u);
    EXPECT_FALSE(fs::exists(dir.File("b.stp")));
}

TEST(ApiSplitTest, EachChildIsWrittenWithItsPlacements)
{
    const TempDir dir;
    const orvex::SplitReport report =
        orvex::Split(ReadSample(), dir.File("parts"), orvex::SplitOptions{});
    ASSERT_TRUE(report.Ok()) << report.failure;
    ASSERT_EQ(report.children.size(), 3u);
    for (const orvex::SplitChild& child : report.children) {
        EXPECT_EQ(child.bytes, fs::file_size(child.file)) << child.name;
        EXPECT_EQ(child.placements.size(), child.name == "l-bracket-assembly" ? 2u : 1u);
    }
    EXPECT_TRUE(fs::exists(report.manifest));
}

// Each file converts in a child process of the program, which answers with its outcome as
// JSON; a file that cannot be read fails alone, with the reason its child gave.
TEST(ApiConvertTest, ChildrenReportTheirOutcomesAsValues)
{
    const TempDir dir;
    orvex::ConvertOptions options;
    options.format = "stl";
    options.out = dir.File("made/here");
    options.program = orvtest::ProgramPath();
    size_t reported = 0;
    options.progress = [&reported](size_t done, size_t, size_t total) {
        EXPECT_LE(done, total);
        ++reported;
    };
    const std::string missing = dir.File("missing.stp");
    const orvex::ConvertReport report = orvex::Convert({orvtest::SamplePath(), missing}, options);
    ASSERT_TRUE(report.error.empty()) << report.error;
    ASSERT_EQ(report.files.size(), 2u);
    EXPECT_TRUE(report.files[0].ok) << report.files[0].reason;
    EXPECT_EQ(report.files[0].bytes, fs::file_size(report.files[0].output));
    EXPECT_FALSE(report.files[1].ok);
    EXPECT_EQ(report.files[1].reason, "cannot read '" + missing + "': no such file");
    EXPECT_EQ(report.failed, 1u);
    EXPECT_FALSE(report.Ok());
    EXPECT_GE(reported, 2u);
    EXPECT_EQ(report.ToJson()["files"][1]["status"], "failed");

    options.format = "xyz";
    EXPECT_EQ(orvex::Convert({orvtest::SamplePath()}, options).error.rfind("unknown format", 0),
              0u);
}

} // namespace

// A tessellated part is its triangles everywhere: its mesh, its measures, its comparison.
TEST(ApiTessellationTest, TrianglesAreTheMeshTheMeasuresAndWhatIsCompared)
{
    const std::string file = TestDataFile("step-handwritten/tessellated-assembly.stp");
    orvex::ReadResult read = orvex::Read(file);
    ASSERT_TRUE(read) << read.failure.Text();
    for (const orvex::Part& part : read.model->Parts()) {
        const orvex::Mesh mesh = read.model->MeshOf(part.index);
        EXPECT_EQ(mesh.faceIds.size(), part.name == "tetra" ? 4u : 2u) << part.name;
    }
    const orvex::CheckReport check = orvex::Check(*read.model);
    const auto tetra =
        std::find_if(check.products.begin(), check.products.end(),
                     [](const orvex::CheckedProduct& p) { return p.path == "pyramids/tetra"; });
    ASSERT_NE(tetra, check.products.end());
    ASSERT_TRUE(tetra->volume.computed);
    EXPECT_NEAR(tetra->volume.computedValue[0], 1000.0 / 6.0, 1e-6);

    // One triangle fewer is a difference of the part's triangles, not of its faces.
    const TempDir dir;
    std::string text = ReadWholeFile(file);
    const std::string triangles = "((1,3,2),(1,2,4),(2,3,4),(1,4,3))";
    ASSERT_NE(text.find(triangles), std::string::npos);
    text.replace(text.find(triangles), triangles.size(), "((1,3,2),(1,2,4),(2,3,4))");
    orvex::ReadResult fewer = orvex::Read(dir.Write("fewer.stp", text));
    ASSERT_TRUE(fewer) << fewer.failure.Text();
    const orvex::CompareReport report = orvex::Compare(*read.model, *fewer.model, {});
    EXPECT_FALSE(report.Equal());
    const auto difference =
        std::find_if(report.differences.begin(), report.differences.end(),
                     [](const orvex::Difference& d) { return d.topic == "triangles"; });
    ASSERT_NE(difference, report.differences.end()) << report.ToJson().dump(1);
    EXPECT_EQ(difference->a, "4");
    EXPECT_EQ(difference->b, "3");
    EXPECT_TRUE(std::none_of(report.differences.begin(), report.differences.end(),
                             [](const orvex::Difference& d) { return d.topic == "faces"; }));
}
