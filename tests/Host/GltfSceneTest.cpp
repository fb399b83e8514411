// The glTF scene read that compare holds mesh files with: names and placements as the file gives
// them, one mesh measured for every node that uses it, in the document's millimetres and Z up;
// and files it cannot trust refused with why.
#include "Geometry/IO/GltfScene.h"

#include "Support/TestSupport.h"

#include "Common/Core/StringUtil.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <limits>

#include <string>

namespace {

using orvkit::GltfScene;

// One triangle of half a square metre, (0,0,0) (1,0,0) (0,1,0) in glTF's metres and Y up, in a
// data URI; placed by two nodes under a root, one by translation and one by matrix.
nlohmann::json Scene()
{
    const float positions[] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::string bytes(reinterpret_cast<const char*>(positions), sizeof(positions));
    return {{"asset", {{"version", "2.0"}}},
            {"scenes", {{{"nodes", {0}}}}},
            {"nodes",
             {{{"name", "root"}, {"children", {1, 2}}},
              {{"name", "bolt"}, {"mesh", 0}, {"translation", {0, 0, 1}}},
              {{"name", "bolt"},
               {"mesh", 0},
               {"matrix", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 2, 0, 1}}}}},
            {"meshes", {{{"primitives", {{{"attributes", {{"POSITION", 0}}}, {"material", 0}}}}}}},
            {"materials", {{{"pbrMetallicRoughness", {{"baseColorFactor", {1, 0, 0, 1}}}}}}},
            {"accessors",
             {{{"bufferView", 0}, {"componentType", 5126}, {"count", 3}, {"type", "VEC3"}}}},
            {"bufferViews", {{{"buffer", 0}, {"byteLength", bytes.size()}}}},
            {"buffers",
             {{{"byteLength", bytes.size()},
               {"uri",
                "data:application/octet-stream;base64," + orvkit::StringUtil::ToBase64(bytes)}}}}};
}

TEST(GltfSceneTest, KeepsNamesPlacementsAndOneMeasuredMeshForItsNodes)
{
    const orvtest::TempDir dir;
    GltfScene scene;
    std::string failure;
    ASSERT_TRUE(scene.Read(dir.Write("scene.gltf", Scene().dump()), failure)) << failure;
    ASSERT_EQ(scene.GetNodes().size(), 3u);
    EXPECT_EQ(scene.GetRoots(), std::vector<int>{0});
    EXPECT_EQ(scene.GetNodes()[1].name, "bolt");
    EXPECT_EQ(scene.GetNodes()[1].mesh, scene.GetNodes()[2].mesh);
    // glTF's +Z is the document's -Y, its +Y the document's +Z; metres become millimetres.
    EXPECT_TRUE(scene.GetNodes()[1].placement.TranslationPart().IsEqual(gp_XYZ(0, -1000, 0), 1e-9));
    EXPECT_TRUE(scene.GetNodes()[2].placement.TranslationPart().IsEqual(gp_XYZ(0, 0, 2000), 1e-9));
    ASSERT_EQ(scene.GetMeshes().size(), 1u);
    const GltfScene::Mesh& mesh = scene.GetMeshes()[0];
    EXPECT_NEAR(mesh.area, 0.5e6, 1e-3);
    EXPECT_NEAR(mesh.box.CornerMax().Z(), 1000.0, 1e-9);
    ASSERT_EQ(mesh.colours.size(), 1u);
    EXPECT_EQ(mesh.colours[0], Quantity_Color(1, 0, 0, Quantity_TOC_RGB));
}

TEST(GltfSceneTest, RefusesWhatItCannotTrustAndSaysWhy)
{
    const orvtest::TempDir dir;
    nlohmann::json twoParents = Scene();
    twoParents["nodes"][1]["children"] = {2};
    nlohmann::json pastEnd = Scene();
    pastEnd["accessors"][0]["count"] = 4;
    // So many elements that their end, multiplied out, wraps around to inside the buffer.
    nlohmann::json wrapped = Scene();
    wrapped["accessors"][0]["count"] = (std::numeric_limits<size_t>::max() / 12) + 2;
    nlohmann::json uneven = Scene();
    uneven["nodes"][1]["scale"] = {1, 2, 1};
    const struct {
        std::string file;
        std::string why;
    } cases[] = {
        {dir.File("missing.gltf"), "cannot open"},
        {dir.Write("garbage.gltf", "{\"nodes\": [1,"), "does not parse"},
        {dir.Write("cut.glb", std::string("glTF\x02\0\0\0", 8)), "cut short"},
        {dir.Write("parents.gltf", twoParents.dump()), "node 2 has more than one parent"},
        {dir.Write("past.gltf", pastEnd.dump()), "accessor 0 reaches past its buffer"},
        {dir.Write("wrapped.gltf", wrapped.dump()), "accessor 0 reaches past its buffer"},
        {dir.Write("uneven.gltf", uneven.dump()), "node 1 scales unevenly"},
    };
    for (const auto& c : cases) {
        GltfScene scene;
        std::string failure;
        EXPECT_FALSE(scene.Read(c.file, failure)) << c.file;
        EXPECT_NE(failure.find(c.why), std::string::npos) << c.file << ": " << failure;
    }
}

} // namespace
