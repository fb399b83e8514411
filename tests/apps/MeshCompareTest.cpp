// Compare against mesh files: the sample and a generated assembly are exported to GLB, glTF,
// STL and OBJ and compared with their STEP; copies of the GLB with one thing changed in its JSON
// show that each change is found at its node's path.
#include "orvex/Compare.h"
#include "orvex/Read.h"
#include "orvex/Write.h"

#include "Support/TestSupport.h"

#include "AssemblyGenerator.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <STEPControl_Writer.hxx>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

namespace {

using orvtest::TempDir;

orvex::CompareReport CompareFiles(const std::string& first, const std::string& second,
                                  double deflection = 0.0)
{
    const orvex::ReadResult a = orvex::Read(first);
    const orvex::ReadResult b = orvex::Read(second);
    EXPECT_TRUE(a && b) << first << " " << second;
    orvex::CompareOptions options;
    options.deflection = deflection;
    return a && b ? orvex::Compare(*a.model, *b.model, options) : orvex::CompareReport();
}

// Writes the model read from `source` to `target`, verified.
void Export(const std::string& source, const std::string& target, double deflection = 0.0)
{
    const orvex::ReadResult read = orvex::Read(source);
    ASSERT_TRUE(read);
    orvex::WriteOptions options;
    options.verify = true;
    options.deflection = deflection;
    const orvex::WriteReport written = orvex::Write(*read.model, target, options);
    ASSERT_TRUE(written.Ok()) << written.Problem();
    EXPECT_EQ(written.verified, std::optional<bool>(true));
}

uint32_t U32(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

// A copy of the GLB `from` at `to` with its JSON changed by `edit`; the binary chunk as it was.
void EditGlb(const std::string& from, const std::string& to,
             const std::function<void(nlohmann::json&)>& edit)
{
    std::ifstream in(from, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t jsonLength = U32(bytes, 12);
    nlohmann::json json = nlohmann::json::parse(bytes.substr(20, jsonLength));
    edit(json);
    std::string text = json.dump();
    text.append((4 - text.size() % 4) % 4, ' ');
    const std::string binary = bytes.substr(20 + jsonLength);
    std::string out(20, '\0');
    const uint32_t header[5] = {0x46546C67, 2,
                                static_cast<uint32_t>(20 + text.size() + binary.size()),
                                static_cast<uint32_t>(text.size()), 0x4E4F534A};
    std::memcpy(out.data(), header, sizeof(header));
    std::ofstream(to, std::ios::binary) << out << text << binary;
}

// The index of the node named `name` in the glTF JSON.
size_t NodeNamed(const nlohmann::json& json, const std::string& name)
{
    for (size_t i = 0; i < json["nodes"].size(); ++i) {
        if (json["nodes"][i].value("name", "") == name) {
            return i;
        }
    }
    ADD_FAILURE() << "no node " << name;
    return 0;
}

std::string WriteStep(const TempDir& dir, const std::string& name, const TopoDS_Shape& shape)
{
    const std::string path = dir.File(name);
    STEPControl_Writer writer;
    writer.Transfer(shape, STEPControl_AsIs);
    EXPECT_EQ(writer.Write(path.c_str()), IFSelect_RetDone);
    return path;
}

class MeshCompareTest : public testing::Test {
protected:
    TempDir myDir;
};

// The export's own files compare equal with the STEP they came from, under the one meshing
// rule the report states; the sample's GLB has a placed part per instance of the assembly.
TEST_F(MeshCompareTest, ExportedMeshFilesCompareEqualWithTheirStep)
{
    for (const char* name : {"as1.glb", "as1.gltf", "as1.stl", "as1.obj"}) {
        const std::string mesh = myDir.File(name);
        Export(orvtest::SamplePath(), mesh);
        const orvex::CompareReport report = CompareFiles(orvtest::SamplePath(), mesh);
        EXPECT_TRUE(report.Equal()) << name << ": " << report.summary;
        EXPECT_NE(report.meshTolerance, "") << name;
        EXPECT_NE(report.summary.find(report.meshTolerance), std::string::npos) << name;
        EXPECT_TRUE(report.ToJson()["meshTolerance"].contains("relativeDeflection")) << name;
    }
}

// A colour, a placement and a node changed in the GLB are each named with the node's path.
TEST_F(MeshCompareTest, ChangedColourMovedNodeAndRemovedNodeAreFoundAtTheirPaths)
{
    const std::string glb = myDir.File("as1.glb");
    Export(orvtest::SamplePath(), glb);
    const std::string rod = "product name/rod-assembly_1/rod_1";
    const std::string bolt = "product name/l-bracket-assembly_1/nut-bolt-assembly_1/bolt_1";
    const std::string nut = "product name/rod-assembly_1/nut_1";
    struct Case {
        const char* file;
        std::function<void(nlohmann::json&)> edit;
        std::string path;
        std::string topic;
    } cases[] = {
        {"colour.glb",
         [](nlohmann::json& json) {
             const size_t mesh = json["nodes"][NodeNamed(json, "rod_1")]["mesh"];
             const size_t material = json["meshes"][mesh]["primitives"][0]["material"];
             json["materials"][material]["pbrMetallicRoughness"]["baseColorFactor"] = {0, 0, 0, 1};
         },
         rod, "colour"},
        {"moved.glb",
         [](nlohmann::json& json) {
             json["nodes"][NodeNamed(json, "bolt_1")]["translation"][0] =
                 json["nodes"][NodeNamed(json, "bolt_1")]["translation"][0].get<double>() + 0.005;
         },
         bolt, "placement"},
        {"removed.glb",
         [](nlohmann::json& json) {
             const size_t removed = NodeNamed(json, "nut_1");
             for (nlohmann::json& node : json["nodes"]) {
                 nlohmann::json kept = nlohmann::json::array();
                 for (const nlohmann::json& child : node.value("children", nlohmann::json())) {
                     if (child.get<size_t>() != removed) {
                         kept.push_back(child);
                     }
                 }
                 node["children"] = kept;
             }
         },
         nut, "only in the first file"},
    };
    for (const Case& c : cases) {
        EditGlb(glb, myDir.File(c.file), c.edit);
        const orvex::CompareReport report = CompareFiles(orvtest::SamplePath(), myDir.File(c.file));
        ASSERT_FALSE(report.differences.empty()) << c.file;
        EXPECT_EQ(report.differences[0].path, c.path) << c.file << ": " << report.summary;
        EXPECT_EQ(report.differences[0].topic, c.topic) << c.file;
    }
}

// OBJ names its groups by the path of product names and bakes placements in: a material's
// colour changed and a group's faces dropped are each found at that path.
TEST_F(MeshCompareTest, ObjGroupsAreComparedByTheirPathOfProductNames)
{
    Export(orvtest::SamplePath(), myDir.File("as1.obj"));
    std::ifstream obj(myDir.File("as1.obj"));
    std::ifstream mtl(myDir.File("as1.mtl"));
    std::string kept;
    std::string recoloured;
    bool rod = false;
    for (std::string line; std::getline(obj, line);) {
        if (line.rfind("g ", 0) == 0) {
            rod = line == "g product name/rod-assembly/rod";
        }
        if (line == "mtllib as1.mtl") {
            line = "mtllib lost.mtl";
        }
        kept += rod && line.rfind("f ", 0) == 0 ? "" : line + "\n";
    }
    for (std::string line; std::getline(mtl, line);) {
        recoloured += (line == "Kd 1.000000 0.000000 0.000000" ? "Kd 0 0 0" : line) + "\n";
    }
    myDir.Write("lost.obj", kept);
    myDir.Write("lost.mtl", recoloured);
    const orvex::CompareReport report = CompareFiles(orvtest::SamplePath(), myDir.File("lost.obj"));
    std::set<std::string> found;
    for (const orvex::Difference& difference : report.differences) {
        found.insert(difference.path + ": " + difference.topic);
    }
    for (const char* expected :
         {"product name/rod-assembly/rod: area", "product name/rod-assembly/rod: colour",
          "product name/rod-assembly/nut: colour"}) {
        EXPECT_EQ(found.count(expected), 1u) << expected << "\n" << report.summary;
    }
}

// What OBJ's and STL's writers cannot hold is not a loss: a part of free edges alone is left
// out of both (glTF keeps it, as lines), and an OBJ group's name ends at the first line break
// of the product names on its path. Their vertices are placed, so a disc turned by 30 degrees
// about its axis has its turned geometry's box there, not its own box turned, which is wider.
// Anything else lost is found.
TEST_F(MeshCompareTest, FreeEdgesTurnsAndLineBreaksInNamesAreWhatTheFormatHolds)
{
    orvtest::XcafBuilder builder;
    const TDF_Label frame = builder.AddAssembly("frame\nsecond line");
    const TDF_Label block = builder.AddPart("block", orvtest::MakeBox(10, 20, 30));
    const TDF_Label edge = builder.AddPart(
        "edge", BRepBuilderAPI_MakeEdge(gp_Pnt(-100, 0, 0), gp_Pnt(-50, 0, 0)).Shape());
    builder.AddComponent(frame, block, orvtest::Translation(0, 0, 0));
    builder.AddComponent(frame, edge, orvtest::Translation(0, 0, 0));
    const TDF_Label disc = builder.AddPart("disc", orvtest::MakeCylinder(20, 5));
    gp_Trsf turned;
    turned.SetRotation(gp_Ax1(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1)), M_PI / 6);
    turned.SetTranslationPart(gp_Vec(100, 0, 0));
    builder.AddComponent(frame, disc, turned);
    builder.Finish();
    const std::string step = myDir.File("frame.stp");
    ASSERT_TRUE(builder.SaveStep(step));
    for (const char* name : {"frame.obj", "frame.stl", "frame.glb"}) {
        Export(step, myDir.File(name));
    }
    const std::string obj = orvtest::ReadWholeFile(myDir.File("frame.obj"));
    EXPECT_NE(obj.find("g frame\nsecond line/block\n"), std::string::npos) << obj;
    EXPECT_EQ(obj.find("/edge"), std::string::npos);

    // A corner of the block moved in the OBJ: its group, named as it reads, has another box.
    std::string moved;
    bool first = true;
    for (size_t at = 0, end; at < obj.size(); at = end + 1) {
        end = obj.find('\n', at);
        const std::string line = obj.substr(at, end - at);
        moved += (first && line.rfind("v ", 0) == 0 ? "v 500 500 500" : line) + "\n";
        first = first && line.rfind("v ", 0) != 0;
    }
    myDir.Write("moved.obj", moved);
    const orvex::CompareReport report = CompareFiles(step, myDir.File("moved.obj"));
    EXPECT_FALSE(report.Equal());
    std::set<std::string> paths;
    for (const orvex::Difference& difference : report.differences) {
        paths.insert(difference.path);
    }
    EXPECT_EQ(paths, (std::set<std::string>{"(model)", "frame"})) << report.summary;
}

// Triangles fall short of a sphere's and a cylinder's area, and of a planar face bounded by a
// circle: that is meshing. A box whose GLB lost the two triangles of a face is not equal.
TEST_F(MeshCompareTest, CurvedFacesAreMeshingAndALostFaceIsADifference)
{
    const TopoDS_Shape shapes[] = {BRepPrimAPI_MakeSphere(0.5).Shape(),
                                   BRepPrimAPI_MakeCylinder(2.0, 50.0).Shape()};
    for (size_t i = 0; i < std::size(shapes); ++i) {
        const std::string step = WriteStep(myDir, "curved" + std::to_string(i) + ".stp", shapes[i]);
        const std::string glb = myDir.File("curved" + std::to_string(i) + ".glb");
        Export(step, glb);
        const orvex::CompareReport report = CompareFiles(step, glb);
        EXPECT_TRUE(report.Equal()) << report.summary;
    }
    const std::string box = WriteStep(myDir, "box.stp", BRepPrimAPI_MakeBox(10, 20, 30).Shape());
    Export(box, myDir.File("box.glb"));
    EditGlb(myDir.File("box.glb"), myDir.File("lost.glb"), [](nlohmann::json& json) {
        const size_t indices = json["meshes"][0]["primitives"][0]["indices"];
        json["accessors"][indices]["count"] = json["accessors"][indices]["count"].get<int>() - 6;
    });
    const orvex::CompareReport lost = CompareFiles(box, myDir.File("lost.glb"));
    ASSERT_EQ(lost.differences.size(), 1u) << lost.summary;
    EXPECT_EQ(lost.differences[0].topic, "area");
}

// A mesh written coarser than the writer's own, as the user asked, is meshing too: a verified
// write knows its deflection, and compare is told it.
TEST_F(MeshCompareTest, AMeshWrittenCoarserAsAskedIsMeshingUnderItsOwnDeflection)
{
    const std::string step = WriteStep(myDir, "ball.stp", BRepPrimAPI_MakeSphere(1.0).Shape());
    const std::string glb = myDir.File("ball.glb");
    Export(step, glb, 0.5);
    const orvex::CompareReport strict = CompareFiles(step, glb);
    EXPECT_FALSE(strict.Equal()) << "the writer's own 0.1 % would not make it this coarse";
    const orvex::CompareReport told = CompareFiles(step, glb, 0.5);
    EXPECT_TRUE(told.Equal()) << told.summary;
    EXPECT_NE(told.meshTolerance.find("each face meshed within 0.5 mm"), std::string::npos)
        << told.meshTolerance;
    EXPECT_EQ(told.ToJson()["meshTolerance"]["deflection"], 0.5);
}

// 10,000 placements of 50 parts share 50 meshes; each node is found by its path, and the
// generated STEP and its GLB compare equal.
TEST_F(MeshCompareTest, TenThousandInstancedNodesCompareEqualWithTheirStep)
{
    orvex::bench::AssemblyParameters parameters;
    parameters.instances = 10000;
    parameters.faceColors = true;
    const std::string step = myDir.File("large.stp");
    ASSERT_TRUE(orvex::bench::WriteAssemblyStep(parameters, step));
    const std::string glb = myDir.File("large.glb");
    Export(step, glb);
    const orvex::CompareReport report = CompareFiles(step, glb);
    EXPECT_TRUE(report.Equal()) << report.summary;
}

} // namespace
