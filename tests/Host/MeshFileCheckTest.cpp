// The checks glTF, GLB, OBJ and STL files get before OpenCASCADE's readers see them, and the
// reads behind them: what a file declares beyond what it holds is refused with the reason, and
// what is sound still reads.
#include "Support/MeshFiles.h"
#include "Support/TestSupport.h"

#include "Common/Core/StringUtil.h"
#include "Geometry/IO/BrepFileCheck.h"
#include "Geometry/IO/MeshFileCheck.h"
#include "Geometry/IO/ReadableMeshFile.h"
#include "Interop/Kernel/XdeModelReader.h"

#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepTools.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_VisMaterial.hxx>
#include <XCAFDoc_VisMaterialTool.hxx>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>

#include <sys/stat.h>

using namespace orvkit;
using orvtest::TempDir;
using Json = nlohmann::json;
using orvtest::Chain;
using orvtest::Triangle;

namespace {

// The check's reason for a file, empty when it lets the file through.
std::string Refusal(const std::string& path)
{
    const LoadFailure failure = MeshFileCheck::Gltf(path);
    if (failure) {
        EXPECT_EQ(failure.kind, LoadFailureParseError);
        EXPECT_EQ(failure.format, "glTF");
    }
    return failure.detail;
}

bool Reads(const std::string& path)
{
    XdeDocumentImpl impl;
    return XdeModelReader::Open(path, impl, nullptr);
}

} // namespace

TEST(GltfFileCheckTest, ASoundTriangleIsLetThroughAndReadsAsGltfAndGlb)
{
    TempDir dir;
    const Triangle triangle;
    for (const std::string& path :
         {dir.Write("t.gltf", triangle.Gltf()), dir.Write("t.glb", triangle.Glb())}) {
        EXPECT_EQ(Refusal(path), "") << path;
        EXPECT_TRUE(Reads(path)) << path;
    }
    // A buffer in a .bin file beside the .gltf.
    Triangle external = triangle;
    external.json["buffers"][0]["uri"] = "t.bin";
    dir.Write("t.bin", triangle.bytes);
    EXPECT_EQ(Refusal(dir.Write("external.gltf", external.json.dump())), "");
}

TEST(GltfFileCheckTest, CountsAndLengthsPastTheBytesThereAreAreRefusedBeforeTheReaderAllocates)
{
    TempDir dir;
    struct Case {
        const char* name;
        std::function<void(Triangle&)> change;
        const char* reason;
    };
    const Case cases[] = {
        // Two billion indices over six bytes: the reader would size 715 million triangles.
        {"index count", [](Triangle& t) { t.json["accessors"][1]["count"] = 2147483647; },
         "accessor 1 declares 2147483647 elements, which need 4294967294 bytes, but its buffer "
         "view holds 6"},
        {"position count", [](Triangle& t) { t.json["accessors"][0]["count"] = 4; },
         "accessor 0 declares 4 elements, which need 48 bytes, but its buffer view holds 36"},
        {"stride", [](Triangle& t) { t.json["bufferViews"][0]["byteStride"] = 16; },
         "accessor 0 declares 3 elements, which need 44 bytes, but its buffer view holds 36"},
        {"accessor offset", [](Triangle& t) { t.json["accessors"][1]["byteOffset"] = 2; },
         "which need 8 bytes, but its buffer view holds 6"},
        {"view past the buffer", [](Triangle& t) { t.json["bufferViews"][1]["byteLength"] = 600; },
         "buffer view 1 ends at byte 636, but buffer 0 holds 44"},
        {"not a whole number", [](Triangle& t) { t.json["accessors"][1]["count"] = 1e300; },
         "accessor 1's count is 1.0000000000000001e+300, not a whole number of zero or more"},
        // The reader reads the type as a C string: "SCALAR" and then anything is SCALAR.
        {"type with a zero byte",
         [](Triangle& t) {
             t.json["accessors"][1]["type"] = std::string("SCALAR\0x", 8);
             t.json["accessors"][1]["count"] = 2147483647;
         },
         "accessor 1 declares 2147483647 elements"},
        // The reader finds "1" where 1 is meant, so the check must too.
        {"reference by text",
         [](Triangle& t) {
             t.json["meshes"][0]["primitives"][0]["indices"] = "1";
             t.json["accessors"][1]["count"] = 2147483647;
         },
         "accessor 1 declares 2147483647 elements"},
    };
    for (const Case& c : cases) {
        Triangle triangle;
        c.change(triangle);
        for (const std::string& path :
             {dir.Write("c.gltf", triangle.Gltf()), dir.Write("c.glb", triangle.Glb())}) {
            EXPECT_NE(Refusal(path).find(c.reason), std::string::npos)
                << c.name << " in " << path << ": " << Refusal(path);
            EXPECT_FALSE(Reads(path)) << c.name;
        }
    }
    // The first of a repeated key is the one the reader takes: the harmless second must not
    // hide it.
    Triangle repeated;
    repeated.json["accessors"][1]["count"] = 2147483647;
    std::string text = repeated.Gltf();
    const std::string count = "\"count\":2147483647";
    text.replace(text.find(count), count.size(), count + ",\"count\":3");
    EXPECT_NE(Refusal(dir.Write("repeated.gltf", text)).find("2147483647 elements"),
              std::string::npos);
    // A binary chunk that says it is longer than the file: the file's end counts.
    Triangle shortChunk;
    shortChunk.json["bufferViews"][1]["byteLength"] = 600;
    EXPECT_NE(Refusal(dir.Write("short.glb", shortChunk.Glb(0x7ffffff0))).find("holds 44"),
              std::string::npos);
}

TEST(GltfFileCheckTest, IndicesAreHeldAgainstTheVertexCount)
{
    TempDir dir;
    for (const uint16_t index : {uint16_t(3), uint16_t(60000)}) {
        Triangle triangle;
        triangle.SetIndex(2, index);
        for (const std::string& path :
             {dir.Write("i.gltf", triangle.Gltf()), dir.Write("i.glb", triangle.Glb())}) {
            EXPECT_EQ(Refusal(path), "primitive 0 of mesh 0 refers to vertex " +
                                         std::to_string(index) + ", but it has 3")
                << path;
        }
    }
    // An index in the padding after the three that count is not read.
    Triangle padded;
    padded.SetIndex(3, 60000);
    EXPECT_EQ(Refusal(dir.Write("padded.gltf", padded.Gltf())), "");
}

TEST(GltfFileCheckTest, TreesDeeperThanTheLimitOrCyclicAreRefusedWithoutRecursion)
{
    TempDir dir;
    EXPECT_EQ(Refusal(dir.Write("5000.gltf", Chain(5000).Gltf())),
              "its node tree is more than 1000 levels deep");
    // The program reads a tree at the limit (on its own large stack; see ProgramTest).
    EXPECT_EQ(Refusal(dir.Write("1000.glb", Chain(MeshFileCheck::kMaxNodeDepth).Glb())), "");
    EXPECT_NE(Refusal(dir.Write("1001.glb", Chain(MeshFileCheck::kMaxNodeDepth + 1).Glb())), "");

    // A node listed ten times as a child, eight levels deep: a few hundred bytes that place a
    // hundred million nodes.
    Triangle fan;
    fan.json["nodes"] = Json::array();
    for (int level = 0; level < 8; ++level) {
        fan.json["nodes"].push_back({{"children", Json(std::vector<int>(10, level + 1))}});
    }
    fan.json["nodes"].push_back({{"mesh", 0}});
    EXPECT_EQ(Refusal(dir.Write("fan.gltf", fan.Gltf())),
              "its scene places more than 10000000 nodes");

    Triangle cycle;
    cycle.json["nodes"] = Json::array({{{"children", {1}}}, {{"children", {0}}, {"mesh", 0}}});
    EXPECT_EQ(Refusal(dir.Write("cycle.gltf", cycle.Gltf())),
              "node 0 is among its own descendants");

    // JSON nested 100,000 deep in "extras": refused by the check's own parser, which has no
    // stack to run out of.
    Triangle nested;
    std::string text = nested.Gltf();
    text.insert(text.size() - 1,
                ",\"extras\":" + std::string(100000, '[') + std::string(100000, ']'));
    EXPECT_EQ(Refusal(dir.Write("nested.gltf", text)), "its JSON nests more than 256 levels deep");
}

TEST(GltfFileCheckTest, BuffersThatAreNoRegularFileOrNoBase64AndRootsThatAreNoObjectAreRefused)
{
    TempDir dir;
    ::mkfifo(dir.File("pipe.bin").c_str(), 0600);
    std::filesystem::create_directory(dir.File("folder.bin"));
    for (const char* name : {"pipe.bin", "folder.bin"}) {
        Triangle triangle;
        triangle.json["buffers"][0]["uri"] = name;
        EXPECT_EQ(Refusal(dir.Write("b.gltf", triangle.json.dump())),
                  std::string("buffer 0 names '") + name + "', which is not a regular file");
    }
    // The reader's decoder would index its table with this byte.
    Triangle triangle;
    std::string text = triangle.Gltf();
    text.insert(text.find("base64,") + 7, "\xff");
    EXPECT_EQ(Refusal(dir.Write("byte.gltf", text)),
              "buffer 0's data holds a byte that is not base64");
    // The reader takes the first scene from an array it does not check, and names a scene
    // without nodes through a "scene" member that may be missing.
    Triangle notArray;
    notArray.json.erase("scene");
    notArray.json["scenes"] = 5;
    EXPECT_EQ(Refusal(dir.Write("scenes.gltf", notArray.Gltf())),
              "it names no default scene, and its scenes are not an array");
    Triangle noNodes;
    noNodes.json.erase("scene");
    noNodes.json["scenes"] = Json::array({Json::object()});
    EXPECT_EQ(Refusal(dir.Write("empty.gltf", noNodes.Gltf())),
              "its default scene has no list of nodes");
    // A GLB whose JSON chunk says it is shorter than its JSON: the reader reads on past it.
    std::string glb = Triangle().Glb();
    glb[12] = 10;
    glb[13] = glb[14] = glb[15] = 0;
    EXPECT_EQ(Refusal(dir.Write("cut.glb", glb)),
              "its JSON chunk does not hold a whole JSON value");
    // The reader looks for members in whatever the root is.
    EXPECT_EQ(Refusal(dir.Write("string.gltf", "\"attributes\"")), "its JSON is not an object");
    EXPECT_FALSE(Reads(dir.File("string.gltf")));
    // Not JSON at all: left to the reader, whose own words say so.
    EXPECT_EQ(Refusal(dir.Write("garbage.gltf", "{\"asset\":")), "");
    EXPECT_FALSE(Reads(dir.File("garbage.gltf")));
}

TEST(ReadableMeshFileTest, ObjFacesOfMoreVerticesThanTheReaderHoldsAreRefusedWithTheirLine)
{
    TempDir dir;
    auto face = [](int vertices) {
        std::string line = "f";
        for (int i = 0; i < vertices; ++i) {
            line += " " + std::to_string(i % 3 + 1) + "/1/1";
        }
        return line + "\n";
    };
    const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";
    const ReadableMeshFile tooLong(dir.Write("long.obj", head + face(1025)), ReadableMeshFile::OBJ);
    EXPECT_EQ(tooLong.GetRefusal().Describe(),
              "not a readable OBJ file: a face of more than 1024 vertices at line 6");
    EXPECT_FALSE(Reads(dir.File("long.obj")));
    // A face continued over lines counts whole, at the line it starts on.
    std::string continued = face(600);
    continued.insert(continued.size() - 1, " \\");
    const ReadableMeshFile joined(dir.Write("joined.obj", head + continued + face(600).substr(1)),
                                  ReadableMeshFile::OBJ);
    EXPECT_EQ(joined.GetRefusal().line, 6);
    // As many as the reader holds still read (under AddressSanitizer too).
    const std::string most = dir.Write("most.obj", head + face(1024));
    EXPECT_FALSE(ReadableMeshFile(most, ReadableMeshFile::OBJ).GetRefusal());
    EXPECT_TRUE(Reads(most));
}

TEST(ReadableMeshFileTest, ALastLineWithoutLineBreakIsReadFromACopyThatStillFindsItsMaterials)
{
    TempDir dir;
    dir.Write("red.mtl", "newmtl red\nKd 1 0 0\n");
    const std::string obj =
        dir.Write("part.obj", "mtllib red.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl red\nf 1 2 3");
    std::string copy;
    {
        const ReadableMeshFile readable(obj, ReadableMeshFile::OBJ);
        ASSERT_FALSE(readable.GetRefusal());
        copy = readable.GetPath();
        ASSERT_NE(copy, obj);
        EXPECT_EQ(std::filesystem::path(copy).filename(), "part.obj");
        const std::string text = orvtest::ReadWholeFile(copy);
        EXPECT_EQ(text.back(), '\n');
        const std::string library = text.substr(7, text.find('\n') - 7);
        EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(copy).parent_path() / library,
                                                dir.File("red.mtl")))
            << library;
    }
    EXPECT_FALSE(std::filesystem::exists(copy)) << "the copy goes with its object";

    // Read from the copy, the material still comes from beside the original.
    XdeDocumentImpl impl;
    ASSERT_TRUE(XdeModelReader::Open(obj, impl, nullptr));
    const Handle(XCAFDoc_VisMaterialTool) tool =
        XCAFDoc_DocumentTool::VisMaterialTool(impl.document->Main());
    TDF_LabelSequence materials;
    tool->GetMaterials(materials);
    ASSERT_EQ(materials.Length(), 1);
    const Handle(XCAFDoc_VisMaterial) red = tool->GetMaterial(materials.First());
    EXPECT_TRUE(red->BaseColor().GetRGB().IsEqual(Quantity_Color(1, 0, 0, Quantity_TOC_RGB)));

    // A text STL likewise; a binary one and a file that ends well are read as they are.
    const std::string text = dir.Write(
        "facet.stl", "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n"
                     "vertex 0 1 0\nendloop\nendfacet\nendsolid s");
    EXPECT_NE(ReadableMeshFile(text, ReadableMeshFile::STL).GetPath(), text);
    EXPECT_TRUE(Reads(text));
    // Shorter than one binary facet, the reader takes it for text whatever its bytes.
    const std::string shortFile = dir.Write("short.stl", "solid \xc0\x7f\nendsolid");
    EXPECT_NE(ReadableMeshFile(shortFile, ReadableMeshFile::STL).GetPath(), shortFile);
    std::string binary(80, '\xff');
    binary += std::string("\x01\0\0\0", 4) + std::string(50, '\0');
    const std::string binaryPath = dir.Write("binary.stl", binary);
    EXPECT_EQ(ReadableMeshFile(binaryPath, ReadableMeshFile::STL).GetPath(), binaryPath);
    const std::string ended = dir.Write("ended.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    EXPECT_EQ(ReadableMeshFile(ended, ReadableMeshFile::OBJ).GetPath(), ended);
    // A last line that goes on with a '\\', line break or not, ends nowhere as well.
    for (const char* end : {"\\", "\\\n", "\\\r\n"}) {
        const std::string path =
            dir.Write("continued.obj", std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3 ") + end);
        const ReadableMeshFile readable(path, ReadableMeshFile::OBJ);
        EXPECT_NE(readable.GetPath(), path);
        EXPECT_EQ(orvtest::ReadWholeFile(readable.GetPath()).substr(24), "f 1 2 3 \n");
        EXPECT_TRUE(Reads(path));
    }
}

// BRepTools sizes its node arrays by the counts a BREP file states: each is held against the
// bytes after it. A cube written by BRepTools has empty mesh sections; each case fills one.
TEST(BrepFileCheckTest, MeshCountsPastTheBytesThereAreAreRefusedBeforeBRepToolsAllocates)
{
    TempDir dir;
    ASSERT_TRUE(
        BRepTools::Write(BRepPrimAPI_MakeBox(10, 10, 10).Shape(), dir.File("made.brep").c_str()));
    const std::string cube = orvtest::ReadWholeFile(dir.File("made.brep"));
    ASSERT_NE(cube.find("Polygon3D 0\n"), std::string::npos);
    EXPECT_EQ(CheckBrepFile(dir.Write("cube.brep", cube)), "");
    EXPECT_TRUE(Reads(dir.File("cube.brep")));
    const auto with = [&](const std::string& section, const std::string& filled) {
        std::string text = cube;
        text.replace(text.find("\n" + section + " 0\n") + 1, section.size() + 3, filled);
        return dir.Write("case.brep", text);
    };
    // A billion nodes in an 800-byte file: 24 GB asked for and filled, as the fuzzer found.
    const std::string huge = with("Polygon3D", "Polygon3D 1\n999999999 1\n0.1\n0 0 0\n");
    EXPECT_EQ(CheckBrepFile(huge).rfind("it states 999999999 nodes in a 3D polygon", 0), 0u)
        << CheckBrepFile(huge);
    EXPECT_FALSE(Reads(huge));
    EXPECT_NE(CheckBrepFile(with("PolygonOnTriangulations",
                                 "PolygonOnTriangulations 1\n500000000 1 2\np 0.1 0\n")),
              "");
    EXPECT_NE(CheckBrepFile(with("Triangulations", "Triangulations 1\n3 400000000 0 0 0.1\n")), "");
    // Counts the file holds pass, and BRepTools reads what follows.
    EXPECT_EQ(CheckBrepFile(with("Polygon3D", "Polygon3D 1\n2 1\n0.1\n0 0 0 1 0 0\n0 1\n")), "");
    EXPECT_EQ(CheckBrepFile(with("Triangulations",
                                 "Triangulations 1\n3 1 0 0 0.1\n0 0 0 1 0 0 0 1 0\n1 2 3\n")),
              "");
}
