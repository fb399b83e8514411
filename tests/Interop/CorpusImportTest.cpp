// Imports of real files from the shared corpus: the element counts that each file's structure
// implies, and names and placements checked by hand against the files. Skipped when the
// corpus is not beside the checkout.
#include "Support/TestSupport.h"

#include "Common/Core/ParameterDict.h"
#include "Data/Kernel/AssemblyElement.h"
#include "Data/Kernel/GroupElement.h"
#include "Data/Kernel/InstanceElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "Xde2Doc.h"

#include <map>

using namespace orvkit;
using namespace orvtest;

namespace {

struct Counts {
    size_t shapes = 0;
    size_t instances = 0;
    size_t assemblies = 0;
    size_t groups = 0;
    size_t prototypes = 0;
};

class CorpusImportTest : public ::testing::Test {
protected:
    std::shared_ptr<Document> Import(const std::string& relative, bool createAssembly = false,
                                     const char* codePage = nullptr)
    {
        const std::string path = CorpusFile(relative);
        if (path.empty()) {
            return nullptr;
        }
        Xde2Doc converter;
        converter.SetCreateAssembly(createAssembly);
        if (codePage != nullptr) {
            converter.GetSettings()->Add("CodePage", ParameterCreator::Create(codePage));
        }
        EXPECT_TRUE(converter.Load(path)) << relative;
        converter.Transfer();
        return converter.GetDocument();
    }

    static Counts Count(const Document& document)
    {
        Counts counts;
        counts.shapes = ElementsNamed(document, "ShapeElement").size();
        counts.instances = ElementsNamed(document, "InstanceElement").size();
        counts.assemblies = ElementsNamed(document, "AssemblyElement").size();
        counts.groups = ElementsNamed(document, "GroupElement").size();
        for (const EntityElement* entity : ElementsOf<EntityElement>(document)) {
            counts.prototypes += entity->IsManaged() ? 1 : 0;
        }
        return counts;
    }

    static const InstanceElement* InstanceWithAlias(const Document& document,
                                                    const std::string& alias)
    {
        for (const InstanceElement* instance : ElementsOf<InstanceElement>(document)) {
            if (instance->GetAliasName() == alias) {
                return instance;
            }
        }
        return nullptr;
    }
};

#define IMPORT_OR_SKIP(document, ...)                                                              \
    auto document = Import(__VA_ARGS__);                                                           \
    if (!document) {                                                                               \
        GTEST_SKIP() << "corpus not available";                                                    \
    }

TEST_F(CorpusImportTest, As1AssemblySharesItsFivePartsAndThreeSubAssemblies)
{
    IMPORT_OR_SKIP(document, "step/as1-oc-214.stp");
    // Its counts are checked with the other files': 5 parts and 3 sub-assemblies become
    // prototypes, 13 references instances, the sole root assembly the group.
    const auto groups = ElementsNamed(*document, "GroupElement");
    ASSERT_EQ(groups.size(), 1u);
    const auto* group = dynamic_cast<GroupElement*>(groups[0]);
    EXPECT_EQ(group->GetName(), "as1");
    EXPECT_EQ(group->GetChildren().size(), 4u);

    // The three nuts (nut_1, nut_2 in the rod assembly, nut_3 in the nut-bolt assembly) share
    // one prototype.
    std::set<ObjectId> nutPrototypes;
    for (const char* alias : {"nut_1", "nut_2", "nut_3"}) {
        const InstanceElement* nut = InstanceWithAlias(*document, alias);
        ASSERT_NE(nut, nullptr) << alias;
        EXPECT_EQ(nut->GetName(), "nut");
        nutPrototypes.insert(nut->GetPrototypeId());
    }
    EXPECT_EQ(nutPrototypes.size(), 1u);

    // #6217 l-bracket-assembly_2 is placed by #27: origin (175, 25, 20), X axis (-1, 0, 0),
    // Z axis (0, 0, 1): half a turn about Z.
    const InstanceElement* bracket = InstanceWithAlias(*document, "l-bracket-assembly_2");
    ASSERT_NE(bracket, nullptr);
    EXPECT_EQ(bracket->GetName(), "l-bracket-assembly");
    EXPECT_EQ(bracket->GetParentId(), group->GetId());
    const gp_Trsf& placement = bracket->GetTransform();
    EXPECT_TRUE(placement.TranslationPart().IsEqual(gp_XYZ(175, 25, 20), 1e-9));
    gp_Pnt probe(1, 0, 0);
    probe.Transform(placement);
    EXPECT_TRUE(probe.IsEqual(gp_Pnt(174, 25, 20), 1e-9));

    // #1137 rod-assembly_1 is placed by #15: origin (-10, 75, 60), Z axis (1, 0, 0), X axis
    // (0, 0, -1).
    const InstanceElement* rod = InstanceWithAlias(*document, "rod-assembly_1");
    ASSERT_NE(rod, nullptr);
    gp_Pnt up(0, 0, 1);
    up.Transform(rod->GetTransform());
    EXPECT_TRUE(up.IsEqual(gp_Pnt(-9, 75, 60), 1e-9));
}

TEST_F(CorpusImportTest, EveryReferenceIsOneInstanceAndEveryLabelOneElement)
{
    // File, then shape elements, instances, assemblies and groups that its labels imply: one
    // shape per part label, one instance per reference, one assembly per assembly label
    // except a sole root, which is the group.
    const std::pair<const char*, Counts> files[] = {
        {"step/as1-oc-214.stp", {5, 13, 3, 1, 8}},
        {"iges/Disc.igs", {1, 2, 1, 0, 2}}, // free instance of a subfigure: no group
        {"step/dm1-id-214.stp", {3, 7, 0, 1, 3}},
        {"step/trj2_as1-pe-203.stp", {5, 18, 0, 1, 5}},
        {"step/as1_motor.step", {22, 63, 30, 0, 50}}, // two free shapes: no group
        {"step/trj3_s1-ct-214.stp", {8, 14, 4, 1, 12}},
        {"step/bug25381_test_assembly_invisible.step", {7, 14, 2, 1, 9}},
        {"large/trj4_pm2-ec-214.stp", {13, 39, 7, 1, 20}},
    };
    for (const auto& [file, expected] : files) {
        IMPORT_OR_SKIP(document, file);
        const Counts counts = Count(*document);
        EXPECT_EQ(counts.shapes, expected.shapes) << file;
        EXPECT_EQ(counts.instances, expected.instances) << file;
        EXPECT_EQ(counts.assemblies, expected.assemblies) << file;
        EXPECT_EQ(counts.groups, expected.groups) << file;
        EXPECT_EQ(counts.prototypes, expected.prototypes) << file;
    }
}

TEST_F(CorpusImportTest, FreePartsAreBrowserableShapesWithDecodedNames)
{
    IMPORT_OR_SKIP(document, "step/bug28454_directives.stp");
    const auto shapes = ElementsOf<ShapeElement>(*document);
    ASSERT_EQ(shapes.size(), 15u);
    std::set<std::string> names;
    for (const ShapeElement* shape : shapes) {
        EXPECT_TRUE(shape->IsBrowserable());
        EXPECT_FALSE(shape->IsManaged());
        names.insert(shape->GetName());
    }
    // #7, #355 and #1043 spell these with \X2\ and \X4\ directives.
    EXPECT_EQ(names.count("AaBbCcÄäÖöÜüß*,.-;:_"), 1u);
    EXPECT_EQ(names.count("π"), 1u);
    EXPECT_EQ(names.count("🟊"), 1u);
}

TEST_F(CorpusImportTest, EightBitNamesDecodeWithTheGivenCodePage)
{
    IMPORT_OR_SKIP(document, "large/bug31670_russian.stp", false, "CP1251");
    std::set<std::string> names;
    for (const ShapeElement* shape : ElementsOf<ShapeElement>(*document)) {
        names.insert(shape->GetName());
    }
    bool cyrillic = false;
    for (const std::string& name : names) {
        // Cyrillic letters are two UTF-8 bytes starting 0xD0 or 0xD1.
        cyrillic = cyrillic || name.find('\xD0') != std::string::npos ||
                   name.find('\xD1') != std::string::npos;
    }
    EXPECT_TRUE(cyrillic);
    EXPECT_EQ(Count(*document).instances, 17u);
}

TEST_F(CorpusImportTest, IgesSubfigureBecomesAnAssemblyPrototypeAndItsInstance)
{
    IMPORT_OR_SKIP(document, "iges/Disc.igs");
    // The free label is an instance of the subfigure "Top", which holds "disc_pack"; its
    // counts are checked with the other files'.
    EXPECT_NE(FindByName(*document, "disc_pack"), nullptr);
}

TEST_F(CorpusImportTest, ColouredPartsKeepTheirColours)
{
    IMPORT_OR_SKIP(document, "step/as1-oc-214.stp");
    const auto* nut = dynamic_cast<ShapeElement*>(FindByName(*document, "nut"));
    ASSERT_NE(nut, nullptr);
    EXPECT_TRUE(nut->IsManaged());
    EXPECT_TRUE(ColorNear(Quantity_Color(1, 0, 0, Quantity_TOC_sRGB), nut->GetColor().r,
                          nut->GetColor().g, nut->GetColor().b));
}

} // namespace
