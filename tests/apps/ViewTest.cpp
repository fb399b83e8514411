// The view and snapshot verbs: the offline page's embedded model and tree, its size with many
// instances, its failures, and what a real browser makes of it.
#include "orvex/Page.h"

#include "Data/App/DocumentPrinter.h"

#include "Support/TestSupport.h"

#include "Xde2Doc.h"

#include "AssemblyGenerator.h"

#include <nlohmann/json.hpp>

#include <zlib.h>

#include <array>
#include <filesystem>
#include <map>
#include <set>

using namespace orvtest;

namespace {

const std::string kSample = SamplePath();

// The text between `<script ... id="ID">` and `</script>`.
std::string Embedded(const std::string& page, const std::string& id)
{
    const size_t tag = page.find("id=\"" + id + "\">");
    if (tag == std::string::npos) {
        return {};
    }
    const size_t start = page.find('>', tag) + 1;
    return page.substr(start, page.find("</script>", start) - start);
}

// An 8-bit RGB or RGBA PNG as RGB pixels.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::array<uint8_t, 3>> pixels;
};

Picture ReadPng(const std::string& bytes)
{
    Picture picture;
    std::string data;
    int channels = 0;
    for (size_t at = 8; at + 12 <= bytes.size();) {
        const auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
        const auto word = [&](size_t i) {
            return byte(i) << 24 | byte(i + 1) << 16 | byte(i + 2) << 8 | byte(i + 3);
        };
        const uint32_t length = word(at);
        const std::string type = bytes.substr(at + 4, 4);
        if (type == "IHDR") {
            picture.width = word(at + 8);
            picture.height = word(at + 12);
            channels = byte(at + 17) == 6 ? 4 : byte(at + 17) == 2 ? 3 : 0;
            if (byte(at + 16) != 8 || byte(at + 20) != 0) {
                channels = 0; // only 8-bit, not interlaced
            }
        } else if (type == "IDAT") {
            data += bytes.substr(at + 8, length);
        }
        at += 12 + length;
    }
    if (channels == 0) {
        return {};
    }
    const size_t stride = static_cast<size_t>(picture.width) * channels;
    std::vector<uint8_t> raw((stride + 1) * static_cast<size_t>(picture.height));
    uLongf size = raw.size();
    if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(data.data()), data.size()) !=
        Z_OK) {
        return {};
    }
    std::vector<uint8_t> previous(stride, 0), row(stride);
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* line = &raw[y * (stride + 1)];
        for (size_t x = 0; x < stride; ++x) {
            const int a = x >= static_cast<size_t>(channels) ? row[x - channels] : 0;
            const int b = previous[x];
            const int c = x >= static_cast<size_t>(channels) ? previous[x - channels] : 0;
            // PNG's row filters: none, sub, up, average and Paeth.
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                      pc = std::abs(p - c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int predicted[] = {0, a, b, (a + b) / 2, paeth};
            row[x] = static_cast<uint8_t>(line[1 + x] + (line[0] < 5 ? predicted[line[0]] : 0));
        }
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels.push_back(
                {row[x * channels], row[x * channels + 1], row[x * channels + 2]});
        }
        previous = row;
    }
    return picture;
}

// Pixels by hue family, for saturated pixels only; "background" counts the page's own grey.
std::map<std::string, int> CountColours(const Picture& picture)
{
    std::map<std::string, int> counts;
    for (const auto& [r, g, b] : picture.pixels) {
        const int high = std::max({r, g, b}), low = std::min({r, g, b});
        if (high - low < 60) {
            counts[high > 225 && high - low < 12 ? "background" : "grey"]++;
            continue;
        }
        double hue = 0;
        if (high == r) {
            hue = 60.0 * (g - b) / (high - low);
        } else if (high == g) {
            hue = 120.0 + 60.0 * (b - r) / (high - low);
        } else {
            hue = 240.0 + 60.0 * (r - g) / (high - low);
        }
        hue = hue < 0 ? hue + 360 : hue;
        const char* family = hue < 15 || hue >= 330 ? "red"
                             : hue < 45             ? "orange"
                             : hue < 75             ? "yellow"
                             : hue < 165            ? "green"
                             : hue < 270            ? "blue"
                                                    : "other";
        counts[family]++;
    }
    return counts;
}

// Pixels drawn near black, as edges are: the parts' colours, shaded, stay brighter.
int CountDark(const Picture& picture)
{
    int dark = 0;
    for (const auto& [r, g, b] : picture.pixels) {
        dark += std::max({r, g, b}) < 80 ? 1 : 0;
    }
    return dark;
}

class ViewTest : public ::testing::Test {
protected:
    // The state the page's script leaves on its body once headless Chromium has loaded `url`.
    nlohmann::json BrowserStatus(const std::string& url)
    {
        const std::string command = Chromium() + " --dump-dom " + Quote(url) + " 2>/dev/null";
        std::string dom;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[65536];
            for (size_t read; (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
                dom.append(buffer, read);
            }
            pclose(pipe);
        }
        const size_t at = dom.find("data-status=\"");
        if (at == std::string::npos) {
            ADD_FAILURE() << "no status in " << dom.size() << " bytes of DOM";
            return nlohmann::json::object();
        }
        std::string status = dom.substr(at + 13, dom.find('"', at + 13) - at - 13);
        for (size_t quote = status.find("&quot;"); quote != std::string::npos;
             quote = status.find("&quot;")) {
            status.replace(quote, 6, "\"");
        }
        return nlohmann::json::parse(status);
    }

    // What headless Chromium draws of `url`.
    Picture Screenshot(const std::string& url)
    {
        const std::string png = myDir.File("screenshot.png");
        const std::string command = Chromium() + " --hide-scrollbars --window-size=600,400 " +
                                    "--screenshot=" + Quote(png) + " " + Quote(url) +
                                    " > /dev/null 2>&1";
        EXPECT_EQ(system(command.c_str()), 0);
        return ReadPng(ReadWholeFile(png));
    }

    // Headless Chromium with software OpenGL, given the time the page's script needs.
    std::string Chromium() const
    {
        return "chromium --headless --no-sandbox --use-gl=swiftshader --enable-unsafe-swiftshader "
               "--virtual-time-budget=20000 --user-data-dir=" +
               Quote(myDir.File("profile"));
    }

    ProgramRun Program(const std::string& arguments) { return RunProgram(arguments, myDir); }

    // The page written for `file`, or empty with a test failure.
    std::string View(const std::string& file, const std::string& name)
    {
        const ProgramRun run = Program("view " + Quote(file) + " -o " + Quote(myDir.File(name)));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return ReadWholeFile(myDir.File(name));
    }

    TempDir myDir;
};

// The page's model, written by the library: the tree the printer shows, one mesh per part.
TEST_F(ViewTest, ThePageHoldsOneMeshPerPartAndTheTreeThePrinterShows)
{
    const orvex::PageReport report = orvex::WritePage(kSample, myDir.File("sample.html"));
    ASSERT_TRUE(report.Ok()) << report.failure;
    EXPECT_EQ(report.ToJson()["output"], myDir.File("sample.html"));
    const std::string page = ReadWholeFile(myDir.File("sample.html"));
    const nlohmann::json tree = nlohmann::json::parse(Embedded(page, "orvex-tree"));
    EXPECT_EQ(tree["file"], kSample);
    orvkit::Xde2Doc converter;
    ASSERT_TRUE(converter.Load(kSample));
    converter.Transfer();
    const nlohmann::json printed = orvkit::DocumentPrinter(*converter.GetDocument()).ToJson();
    ASSERT_EQ(tree["elements"].size(), printed["elements"].size());
    ASSERT_FALSE(printed["elements"].empty());
    // Element ids run on through the process, so the second document's are the page's plus
    // the first's count.
    const int shift =
        printed["elements"][0]["id"].get<int>() - tree["elements"][0]["id"].get<int>();
    const auto shifted = [shift](nlohmann::json ids) {
        if (ids.is_number()) {
            return nlohmann::json(ids.get<int>() + shift);
        }
        for (nlohmann::json& id : ids) {
            id = id.get<int>() + shift;
        }
        return ids;
    };
    EXPECT_EQ(tree["summary"], printed["summary"]);
    EXPECT_EQ(shifted(tree["roots"]), printed["roots"]);
    std::set<std::string> instances;
    for (size_t i = 0; i < printed["elements"].size(); ++i) {
        const nlohmann::json& mine = tree["elements"][i];
        const nlohmann::json& theirs = printed["elements"][i];
        for (const char* key : {"class", "name"}) {
            EXPECT_EQ(mine[key], theirs[key]) << key << " of " << theirs["id"];
        }
        for (const char* key : {"id", "parent", "prototype", "children"}) {
            EXPECT_EQ(mine.contains(key), theirs.contains(key)) << key << " of " << theirs["id"];
            if (mine.contains(key) && theirs.contains(key)) {
                EXPECT_EQ(shifted(mine[key]), theirs[key]) << key << " of " << theirs["id"];
            }
        }
        if (mine["class"] == "InstanceElement") {
            instances.insert(std::to_string(mine["id"].get<int>()));
        }
    }
    const nlohmann::json gltf = nlohmann::json::parse(Embedded(page, "orvex-model"));
    EXPECT_EQ(gltf["asset"]["version"], "2.0");
    EXPECT_EQ(gltf["meshes"].size(), 5u); // nut, rod, bolt, l-bracket, plate
    // Each part's edges are one line primitive, after its faces' so that the faces' indices
    // stay those the extras give.
    for (const auto& mesh : gltf["meshes"]) {
        const nlohmann::json& primitives = mesh["primitives"];
        ASSERT_GE(primitives.size(), 2u);
        EXPECT_EQ(primitives.back().value("mode", 4), 1) << mesh["name"];
        for (size_t i = 0; i + 1 < primitives.size(); ++i) {
            EXPECT_EQ(primitives[i].value("mode", 4), 4) << mesh["name"];
        }
    }
    // The buffer the glTF describes is the one in the page.
    const size_t base64 = Embedded(page, "orvex-buffer").size();
    EXPECT_EQ((gltf["buffers"][0]["byteLength"].get<size_t>() + 2) / 3 * 4, base64);
    for (const auto& node : gltf["nodes"]) {
        instances.erase(node["name"].get<std::string>());
    }
    EXPECT_TRUE(instances.empty()) << "instances without a node: " << instances.size();
    // three.js and its loaders are in the page, nothing is fetched.
    EXPECT_NE(page.find("THREE.GLTFLoader"), std::string::npos);
    EXPECT_EQ(page.find("<script src"), std::string::npos);
    EXPECT_EQ(page.find("<link"), std::string::npos);
}

TEST_F(ViewTest, ThousandsOfInstancesShareTheirPartsMeshes)
{
    orvex::bench::AssemblyParameters few{50, 50, 2, 10, 0, false};
    orvex::bench::AssemblyParameters many = few;
    many.instances = 2'000;
    ASSERT_TRUE(orvex::bench::WriteAssemblyStep(few, myDir.File("few.step")));
    ASSERT_TRUE(orvex::bench::WriteAssemblyStep(many, myDir.File("many.step")));
    const std::string small = View(myDir.File("few.step"), "few.html");
    const std::string large = View(myDir.File("many.step"), "many.html");
    for (const std::string* page : {&small, &large}) {
        const nlohmann::json gltf = nlohmann::json::parse(Embedded(*page, "orvex-model"));
        EXPECT_EQ(gltf["meshes"].size(), 50u);
    }
    EXPECT_LE(large.size(), small.size() * 3 / 2 + 200 * (2'000 - 50));
    if (system("command -v chromium > /dev/null 2>&1") != 0) {
        return;
    }
    // Drawn as one instanced mesh per part: draw calls grow with the parts.
    const nlohmann::json state = BrowserStatus("file://" + myDir.File("many.html"));
    EXPECT_TRUE(state["errors"].empty()) << state["errors"];
    EXPECT_EQ(state.value("meshes", 0), 50);
    EXPECT_EQ(state.value("instances", 0), 2'000);
    EXPECT_LE(state.value("drawCalls", 1'000), 101); // faces, edges, and the dots
}

TEST_F(ViewTest, ScenesAndOtherModelFilesHaveTheirPagesToo)
{
    // A VRML scene through the scene reader: its groups and shapes, in their materials.
    const std::string scene = myDir.Write(
        "box.wrl", "#VRML V2.0 utf8\nTransform { translation 1 2 3 children [ Shape {\n"
                   "appearance Appearance { material Material { diffuseColor 0 0 1 } }\n"
                   "geometry Box { size 1 2 3 } } ] }\n");
    nlohmann::json tree = nlohmann::json::parse(Embedded(View(scene, "scene.html"), "orvex-tree"));
    int shapes = 0;
    for (const auto& element : tree["elements"]) {
        if (element["class"] == "BrepSceneNode") {
            ++shapes;
            EXPECT_EQ(element["color"], "#0000ff");
        }
    }
    EXPECT_EQ(shapes, 1);
    // Anything else through the "Import" command: here the sample exported as BREP.
    const ProgramRun exported =
        Program("export " + Quote(kSample) + " " + Quote(myDir.File("sample.brep")));
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const std::string page = View(myDir.File("sample.brep"), "brep.html");
    tree = nlohmann::json::parse(Embedded(page, "orvex-tree"));
    EXPECT_GT(tree["summary"].value("ShapeElement", 0), 0);
    EXPECT_FALSE(nlohmann::json::parse(Embedded(page, "orvex-model"))["meshes"].empty());

    // A part of wires alone is drawn as its lines, in its own colour (yellow here).
    const std::string wires = CorpusFile("iges/Disc.igs");
    ASSERT_FALSE(wires.empty());
    const std::string wirePage = View(wires, "wires.html");
    const nlohmann::json gltf = nlohmann::json::parse(Embedded(wirePage, "orvex-model"));
    ASSERT_EQ(gltf["meshes"].size(), 1u);
    const nlohmann::json& lines = gltf["meshes"][0]["primitives"];
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["mode"], 1);
    const nlohmann::json& colour = gltf["materials"][lines[0]["material"].get<size_t>()]
                                       ["pbrMetallicRoughness"]["baseColorFactor"];
    EXPECT_GT(colour[0].get<double>(), 0.9);
    EXPECT_LT(colour[2].get<double>(), 0.1);
    if (system("command -v chromium > /dev/null 2>&1") == 0) {
        const nlohmann::json state = BrowserStatus("file://" + myDir.File("wires.html"));
        EXPECT_TRUE(state["errors"].empty()) << state["errors"];
        EXPECT_GT(state.value("edges", 0), 100);
    }
}

TEST_F(ViewTest, FailuresSayWhyAndLeaveNothing)
{
    ProgramRun run = Program("view " + Quote(myDir.File("missing.step")) + " -o " +
                             Quote(myDir.File("missing.html")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.err), 1u) << run.err;
    EXPECT_NE(run.err.find("cannot read '" + myDir.File("missing.step") + "'"), std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(myDir.File("missing.html")));

    const std::string kept = myDir.Write("kept.html", "an older page");
    run = Program("view " + Quote(kSample) + " -o " + Quote(myDir.File("no/such/folder.html")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.err), 1u) << run.err;
    EXPECT_NE(run.err.find("cannot write '" + myDir.File("no/such/folder.html") + "'"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(myDir.File("no")));

    // Through the library: a file the "Import" command cannot read says why, in the reader's
    // words; a snapshot that cannot be taken leaves the older picture as it was.
    const std::string garbage = myDir.Write("garbage.brep", "not a BREP file");
    orvex::PageReport report = orvex::WritePage(garbage, myDir.File("garbage.html"));
    EXPECT_EQ(report.failure.rfind("cannot read '" + garbage + "': ", 0), 0u) << report.failure;
    EXPECT_EQ(report.failure.find("gave no reason"), std::string::npos) << report.failure;
    EXPECT_FALSE(std::filesystem::exists(myDir.File("garbage.html")));
    orvex::SnapshotOptions sideways;
    sideways.view = "sideways";
    report = orvex::WriteSnapshot(kSample, kept, sideways);
    EXPECT_EQ(report.failure, "cannot write '" + kept + "': unknown view 'sideways'");

    run = Program("snapshot " + Quote(kSample) + " " + Quote(kept) + " --size 12");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadWholeFile(kept), "an older page");
}

TEST_F(ViewTest, APickedPartShowsItsMaterialAndProperties)
{
    if (system("command -v chromium > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no chromium";
    }
    const std::string page = myDir.File("materials.html");
    View(orvtest::TestDataFile("step-handwritten/materials-cube-cylinder.step"), "materials.html");
    // #3 is the cube.
    const std::string info = BrowserStatus("file://" + page + "#select=3").value("info", "");
    EXPECT_NE(info.find("material Steel, 7850 kg/m³"), std::string::npos) << info;
    EXPECT_NE(info.find("Part Number: RC-1"), std::string::npos) << info;
}

TEST_F(ViewTest, ChromiumDrawsEveryPartInItsColour)
{
    if (system("command -v chromium > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no chromium";
    }
    const std::string page = myDir.File("sample.html");
    View(kSample, "sample.html");
    const nlohmann::json state = BrowserStatus("file://" + page);
    EXPECT_TRUE(state.value("ready", false));
    EXPECT_TRUE(state["errors"].empty()) << state["errors"];
    // One instanced mesh and one set of edge lines per part, whatever the instances.
    EXPECT_EQ(state.value("meshes", 0), 5);
    EXPECT_EQ(state.value("instances", 0), 18);
    EXPECT_EQ(state.value("drawCalls", 0), 10);
    EXPECT_GT(state.value("edges", 0), 100);
    EXPECT_EQ(BrowserStatus("file://" + page + "#edges=0").value("edges", -1), 0);
    // Selecting an instance lights each place it is drawn: the nut-bolt assembly #13 sits in
    // both l-bracket assemblies, and holds a nut and a bolt.
    EXPECT_EQ(BrowserStatus("file://" + page + "#select=13").value("selected", 0), 4);
    EXPECT_EQ(BrowserStatus("file://" + page + "#select=12").value("selected", 0), 12);
    // Picking finds the instance under the pointer: the plate (#21) in the middle of the view.
    const nlohmann::json picked = BrowserStatus("file://" + page + "#pick=0.5,0.5");
    EXPECT_EQ(picked.value("picked", 0), 21);
    EXPECT_EQ(picked.value("selected", 0), 1);
    EXPECT_EQ(BrowserStatus("file://" + page + "#pick=0.01,0.01").value("picked", -1), 0);

    const ProgramRun run = Program("snapshot " + Quote(kSample) + " " +
                                   Quote(myDir.File("sample.png")) + " --size 600x400");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Picture picture = ReadPng(ReadWholeFile(myDir.File("sample.png")));
    ASSERT_EQ(picture.width, 600);
    ASSERT_EQ(picture.height, 400);
    std::map<std::string, int> colours = CountColours(picture);
    for (const char* part : {"red", "orange", "yellow", "green", "blue"}) {
        EXPECT_GT(colours[part], 100) << part;
    }
    EXPECT_LT(colours["background"], static_cast<int>(picture.pixels.size() * 9 / 10));
    // The parts' edges are dark lines over their colours, and go with "#edges=0".
    const int edged = CountDark(picture);
    EXPECT_GT(edged, 500);
    const int plain = CountDark(Screenshot("file://" + page + "#view=iso&panel=0&edges=0"));
    EXPECT_LT(plain, edged / 10) << edged;

    // Hovering a dimension's label lays its measured face over the part.
    // Faces in OCCT's own PMI sample; edges in a NIST one, when the shared corpus is there.
    for (const auto& [file, kind] :
         {std::pair{"step-pmi/bug32745_pmi1.stp", "Face"},
          std::pair{"step-pmi/nist_ftc_09_asme1_ap242-e1.stp", "Edge"}}) {
        const std::string pmi = CorpusFile(file);
        if (pmi.empty()) {
            continue;
        }
        const nlohmann::json tree =
            nlohmann::json::parse(Embedded(View(pmi, "pmi.html"), "orvex-tree"));
        int dimension = 0;
        for (const auto& element : tree["elements"]) {
            for (const auto& target : element.value("targets", nlohmann::json::array())) {
                if (target[1] == kind && dimension == 0) {
                    dimension = element["id"].get<int>();
                }
            }
        }
        ASSERT_GT(dimension, 0) << file;
        const nlohmann::json hovered = BrowserStatus("file://" + myDir.File("pmi.html") +
                                                     "#hover=" + std::to_string(dimension));
        EXPECT_TRUE(hovered["errors"].empty()) << hovered["errors"];
        EXPECT_GE(hovered.value("highlighted", 0), 1) << file;
    }
}

// Dimensions that share their text points are laid apart, each readable, marked as drawings
// mark diameters.
TEST_F(ViewTest, DimensionLabelsDoNotOverlap)
{
    if (system("command -v chromium > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no chromium";
    }
    int files = 0;
    for (const char* file :
         {"step-pmi/nist_ftc_07_asme1_ap242-e2.stp", "step-pmi/nist_ftc_09_asme1_ap242-e1.stp"}) {
        const std::string pmi = CorpusFile(file);
        if (pmi.empty()) {
            continue;
        }
        ++files;
        const std::string page = View(pmi, "pmi.html");
        const nlohmann::json tree = nlohmann::json::parse(Embedded(page, "orvex-tree"));
        size_t dimensions = 0;
        bool diameter = false;
        for (const auto& element : tree["elements"]) {
            if (element.contains("textPoint")) {
                ++dimensions;
                const std::string label = element["label"];
                // "Ø5.9436 +0.2032/-0.2032"
                diameter = diameter || (label.rfind("\u00d8", 0) == 0 &&
                                        label.find(" +") != std::string::npos &&
                                        label.find("/-") != std::string::npos);
            }
        }
        EXPECT_TRUE(diameter) << file;
        const nlohmann::json state = BrowserStatus("file://" + myDir.File("pmi.html"));
        const nlohmann::json& boxes = state["labels"];
        EXPECT_EQ(boxes.size(), dimensions) << file;
        for (size_t i = 0; i < boxes.size(); ++i) {
            for (size_t j = i + 1; j < boxes.size(); ++j) {
                const nlohmann::json& a = boxes[i];
                const nlohmann::json& b = boxes[j];
                const bool apart = a["x"].get<double>() + a["w"].get<double>() <= b["x"] ||
                                   b["x"].get<double>() + b["w"].get<double>() <= a["x"] ||
                                   a["y"].get<double>() + a["h"].get<double>() <= b["y"] ||
                                   b["y"].get<double>() + b["h"].get<double>() <= a["y"];
                EXPECT_TRUE(apart) << file << ": " << a << " and " << b;
            }
        }
    }
    if (files == 0) {
        GTEST_SKIP() << "corpus not available";
    }
}

// Whether two boxes of a page's status ({x, y, w, h}) share no pixel.
bool Apart(const nlohmann::json& a, const nlohmann::json& b)
{
    return a["x"].get<double>() + a["w"].get<double>() <= b["x"].get<double>() ||
           b["x"].get<double>() + b["w"].get<double>() <= a["x"].get<double>() ||
           a["y"].get<double>() + a["h"].get<double>() <= b["y"].get<double>() ||
           b["y"].get<double>() + b["h"].get<double>() <= a["y"].get<double>();
}

// Feature control frames are drawn as their cells, datums as their letters, each apart from
// every other label, whether the file places them (ftc 10) or not (ctc 01: over what they
// control); hovering a frame lights its faces and its datums' features.
TEST_F(ViewTest, FeatureControlFramesAreDrawnApartWithTheirCells)
{
    if (system("command -v chromium > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no chromium";
    }
    int files = 0;
    for (const char* file :
         {"step-pmi/nist_ctc_01_asme1_ap242-e1.stp", "step-pmi/nist_ftc_10_asme1_ap242-e2.stp"}) {
        const std::string pmi = CorpusFile(file);
        if (pmi.empty()) {
            continue;
        }
        ++files;
        const nlohmann::json tree =
            nlohmann::json::parse(Embedded(View(pmi, "pmi.html"), "orvex-tree"));
        std::map<int, nlohmann::json> frames;
        for (const auto& element : tree["elements"]) {
            if (element.value("pmi", "") == "GeometricTolerance") {
                frames[element["id"].get<int>()] = element;
            }
        }
        ASSERT_FALSE(frames.empty()) << file;
        const nlohmann::json state = BrowserStatus("file://" + myDir.File("pmi.html"));
        EXPECT_TRUE(state["errors"].empty()) << state["errors"];
        const nlohmann::json& drawn = state["pmi"];
        size_t framesDrawn = 0;
        for (const auto& label : drawn) {
            const auto frame = frames.find(label["id"].get<int>());
            if (frame != frames.end()) {
                ++framesDrawn;
                EXPECT_EQ(label["text"], frame->second["label"]);
                EXPECT_EQ(label["cells"], frame->second["cells"].size());
            }
        }
        EXPECT_EQ(framesDrawn, frames.size()) << file;
        for (size_t i = 0; i < drawn.size(); ++i) {
            for (size_t j = i + 1; j < drawn.size(); ++j) {
                EXPECT_TRUE(Apart(drawn[i], drawn[j])) << file << ": " << drawn[i] << drawn[j];
            }
            for (const auto& dimension : state["labels"]) {
                EXPECT_TRUE(Apart(drawn[i], dimension)) << file << ": " << drawn[i] << dimension;
            }
        }
    }
    if (files == 0) {
        GTEST_SKIP() << "corpus not available";
    }
}

// What the frames of NIST's ctc 01 say, cell by cell, and what hovering one lights: the two
// faces of its holes and the faces of its datums' features.
TEST_F(ViewTest, AFrameShowsItsSymbolZoneAndDatums)
{
    const std::string pmi = CorpusFile("step-pmi/nist_ctc_01_asme1_ap242-e1.stp");
    if (pmi.empty()) {
        GTEST_SKIP() << "corpus not available";
    }
    const nlohmann::json tree =
        nlohmann::json::parse(Embedded(View(pmi, "ctc01.html"), "orvex-tree"));
    std::multiset<std::string> labels;
    int position = 0;
    for (const auto& element : tree["elements"]) {
        if (element.contains("pmi")) {
            labels.insert(element["pmi"].get<std::string>() + " " +
                          element["label"].get<std::string>());
        }
        if (element.value("type", "") == "position" && position == 0) {
            position = element["id"].get<int>();
            EXPECT_EQ(element["cells"], nlohmann::json({"\u2316", "0.75", "A", "B", "C"}));
            EXPECT_EQ(element["datums"].size(), 3u);
        }
    }
    for (const char* label :
         {"GeometricTolerance \u23e5 | 0.2", "GeometricTolerance \u27c2 | 1.5 | A",
          "GeometricTolerance \u2313 | 0.5 all around | A", "Datum A"}) {
        EXPECT_EQ(labels.count(label), 1u) << label;
    }
    if (system("command -v chromium > /dev/null 2>&1") != 0) {
        return;
    }
    const nlohmann::json hovered =
        BrowserStatus("file://" + myDir.File("ctc01.html") + "#hover=" + std::to_string(position));
    // A is one face, B and C are two halves of a hole each.
    EXPECT_EQ(hovered.value("highlighted", 0), 7);
}

} // namespace
