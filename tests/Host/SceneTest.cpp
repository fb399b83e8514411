// Scene graph, materials and the scene reader registry of the host.
#include "Support/TestSupport.h"

#include "Common/Core/Path.h"
#include "Common/Core/StringUtil.h"
#include "Graphics/BrepSceneNode.h"
#include "Graphics/GroupSceneNode.h"
#include "Graphics/MaterialManager.h"
#include "Graphics/MathUtil.h"
#include "Graphics/SceneExchangeManager.h"
#include "Graphics/SceneNode.h"

#include <gp_Ax1.hxx>

#include <glm/vec4.hpp>

#include <filesystem>
#include <sstream>

using namespace orvkit;
using namespace orvtest;

namespace {

namespace fs = std::filesystem;

TEST(MathUtilTest, Matrix4MapsPointsAsTheTransformationDoes)
{
    gp_Trsf transform = Translation(3, -2, 5);
    gp_Trsf rotation;
    rotation.SetRotation(gp_Ax1(gp_Pnt(1, 0, 0), gp_Dir(1, 1, 1)), 0.7);
    transform.Multiply(rotation);
    transform.SetScaleFactor(2.5);
    const glm::mat4 matrix = MathUtil::Matrix4(transform);
    for (const gp_Pnt& point : {gp_Pnt(0, 0, 0), gp_Pnt(1, 2, 3), gp_Pnt(-4, 0.5, 7)}) {
        const glm::vec4 mapped = matrix * glm::vec4(point.X(), point.Y(), point.Z(), 1.0f);
        const gp_Pnt expected = point.Transformed(transform);
        EXPECT_NEAR(mapped.x, expected.X(), 1e-4);
        EXPECT_NEAR(mapped.y, expected.Y(), 1e-4);
        EXPECT_NEAR(mapped.z, expected.Z(), 1e-4);
        EXPECT_EQ(mapped.w, 1.0f);
    }
}

TEST(MaterialManagerTest, KnownTemplatesOnlyAndAFreshInstanceForEveryCreate)
{
    MaterialManager& manager = MaterialManager::Instance();
    MaterialTemplate* color = manager.CreateTemplateByName("color-pbr", "standard");
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(manager.CreateTemplateByName("color-pbr", "standard"), color);
    EXPECT_NE(manager.CreateTemplateByName("texture-pbr", "standard"), nullptr);
    EXPECT_EQ(manager.CreateTemplateByName("COLOR-PBR", "standard"), nullptr);
    EXPECT_EQ(manager.CreateTemplateByName("color-pbr", "phong"), nullptr);

    const size_t before = manager.GetInstanceCount();
    MaterialInstance* first = manager.Create("pbr-0", color);
    MaterialInstance* second = manager.Create("pbr-0", color);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, first);
    first->SetColor({1, 0, 0});
    first->SetUniform("emissive", {0, 0, 1});
    first->SetUniform("emissive", {0, 1, 0});
    EXPECT_EQ(*first->FindUniform("emissive"), glm::vec3(0, 1, 0));
    // The other instance of the same name is untouched.
    EXPECT_EQ(second->GetColor(), glm::vec3(1, 1, 1));
    EXPECT_EQ(second->FindUniform("emissive"), nullptr);

    EXPECT_EQ(manager.Create("orphan", nullptr), nullptr);
    EXPECT_EQ(manager.GetInstanceCount(), before + 2);
    EXPECT_TRUE(manager.Release(first));
    EXPECT_FALSE(manager.Release(first));
    EXPECT_TRUE(manager.Release(second));
    EXPECT_EQ(manager.GetInstanceCount(), before);
}

TEST(MaterialManagerTest, AReleasedMaterialLivesUntilTheLastNodeShowingItIsGone)
{
    MaterialManager& manager = MaterialManager::Instance();
    MaterialTemplate* color = manager.CreateTemplateByName("color-pbr", "standard");
    const size_t before = manager.GetInstanceCount();
    MaterialInstance* red = manager.Create("red", color);
    MaterialInstance* blue = manager.Create("blue", color);
    auto first = std::make_shared<BrepSceneNode>(nullptr, red, red, 0.1, true);
    auto second = std::make_shared<BrepSceneNode>(nullptr, red, nullptr, 0.1, true);
    EXPECT_TRUE(manager.Release(red));
    EXPECT_FALSE(manager.Release(red)) << "released once only";
    red->SetColor({1, 0, 0}); // still alive: two nodes show it
    first.reset();
    EXPECT_EQ(manager.GetInstanceCount(), before + 2);
    second->SetFaceMaterial(blue); // the last user of red moves on
    EXPECT_EQ(manager.GetInstanceCount(), before + 1);
    EXPECT_TRUE(manager.Release(blue));
    EXPECT_EQ(second->GetFaceMaterial()->GetName(), "blue");
    second.reset();
    EXPECT_EQ(manager.GetInstanceCount(), before);
}

// A reader of a made-up format: it remembers what reached its narrow-path Load and gives a
// group holding a B-rep node without materials and one with a face material of its own.
class FakeReader : public SceneReader {
public:
    explicit FakeReader(std::string extension) : myExtension(std::move(extension)) {}

    using SceneReader::Load;
    std::shared_ptr<SceneNode> Load(const std::string& fileName) override
    {
        if (!fs::is_regular_file(fileName)) {
            return nullptr;
        }
        loaded.push_back(fileName);
        sawCompanion = fs::exists(fs::path(fileName).parent_path() / "companion.txt");
        const auto shape = TopoShape::Create(MakeBox(1, 1, 1));
        bare = std::make_shared<BrepSceneNode>(shape, nullptr, nullptr, 0.1, true);
        own = std::make_shared<BrepSceneNode>(shape, ownMaterial, nullptr, 0.1, true);
        auto inner = std::make_shared<GroupSceneNode>();
        inner->AddNode(bare);
        auto root = std::make_shared<GroupSceneNode>();
        root->AddNode(inner);
        root->AddNode(own);
        return root;
    }
    void GetFilters(std::unordered_map<std::string, std::string>& filters) override
    {
        filters[myExtension.substr(1)] = "*" + myExtension;
    }
    bool IsSupported(std::string extension) override { return extension == myExtension; }

    std::vector<std::string> loaded;
    bool sawCompanion = false;
    MaterialInstance* ownMaterial = nullptr;
    std::shared_ptr<BrepSceneNode> bare;
    std::shared_ptr<BrepSceneNode> own;

private:
    std::string myExtension;
};

class SceneReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MaterialTemplate* color =
            MaterialManager::Instance().CreateTemplateByName("color-pbr", "standard");
        myReader.ownMaterial = MaterialManager::Instance().Create("own", color);
        myFallback = MaterialManager::Instance().Create("fallback", color);
    }

    TempDir myDir;
    FakeReader myReader{".fake"};
    MaterialInstance* myFallback = nullptr;
};

TEST_F(SceneReaderTest, PathOverloadsEndInTheNarrowLoadAndFillOnlyMissingMaterials)
{
    const std::string path = myDir.Write("场景.fake", "scene");
    ASSERT_NE(myReader.Load(StringUtil::ToW(path), nullptr), nullptr);
    EXPECT_EQ(myReader.bare->GetFaceMaterial(), nullptr);
    ASSERT_NE(myReader.Load(Path(path), myFallback), nullptr);
    EXPECT_EQ(myReader.loaded, (std::vector<std::string>{path, path}));
    EXPECT_EQ(myReader.bare->GetFaceMaterial(), myFallback);
    EXPECT_EQ(myReader.bare->GetEdgeMaterial(), myFallback);
    EXPECT_EQ(myReader.own->GetFaceMaterial(), myReader.ownMaterial);
    EXPECT_EQ(myReader.own->GetEdgeMaterial(), myFallback);
    EXPECT_EQ(myReader.Load(Path(myDir.File("missing.fake")), myFallback), nullptr);
}

TEST_F(SceneReaderTest, StreamsLoadFromATemporaryFolderThatGoesAwayAfterwards)
{
    std::istringstream scene("scene");
    std::istringstream companion("texture");
    const std::unordered_map<std::string, std::istream*> streams{{"main.fake", &scene},
                                                                 {"companion.txt", &companion}};
    ASSERT_NE(myReader.Load(streams, myFallback), nullptr);
    ASSERT_EQ(myReader.loaded.size(), 1u);
    const fs::path loaded(myReader.loaded[0]);
    EXPECT_EQ(loaded.filename(), "main.fake");
    EXPECT_TRUE(myReader.sawCompanion);
    EXPECT_EQ(myReader.bare->GetFaceMaterial(), myFallback);
    EXPECT_FALSE(fs::exists(loaded.parent_path()));

    // Not exactly one scene among the streams, or a name that leaves the folder.
    const std::unordered_map<std::string, std::istream*> refused[] = {
        {},
        {{"notes.txt", &scene}},
        {{"one.fake", &scene}, {"two.fake", &companion}},
        {{"../escape.fake", &scene}},
        {{"sub/inner.fake", &scene}},
        {{"main.fake", nullptr}},
    };
    for (const auto& bad : refused) {
        ScopedLogCapture log;
        EXPECT_EQ(myReader.Load(bad, nullptr), nullptr) << bad.size();
        EXPECT_FALSE(log->GetRecords().empty());
    }
    EXPECT_EQ(myReader.loaded.size(), 1u);
}

TEST(SceneExchangeManagerTest, ChoosesTheReaderByExtensionAndMergesFilters)
{
    SceneExchangeManager& manager = SceneExchangeManager::Instance();
    const size_t before = manager.GetReaders().size();
    auto first = std::make_shared<FakeReader>(".fk1");
    auto second = std::make_shared<FakeReader>(".fk2");
    manager.AddReader(first);
    manager.AddReader(nullptr);
    manager.AddReader(second);
    ASSERT_EQ(manager.GetReaders().size(), before + 2);
    EXPECT_EQ(manager.FindReader(".fk2"), second.get());
    EXPECT_EQ(manager.FindReader("fk2"), nullptr);
    EXPECT_EQ(manager.GetFilters().at("fk1"), "*.fk1");
    EXPECT_EQ(manager.GetFilters().at("fk2"), "*.fk2");

    TempDir dir;
    EXPECT_NE(manager.Load(dir.Write("b.fk2", "x")), nullptr);
    EXPECT_EQ(manager.Load(dir.Write("b.FK2", "x")), nullptr);
    EXPECT_EQ(manager.Load(dir.Write("fk2", "x")), nullptr);
    EXPECT_EQ(second->loaded.size(), 1u);
    EXPECT_TRUE(first->loaded.empty());
}

} // namespace
