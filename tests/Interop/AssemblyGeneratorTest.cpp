// The synthetic assembly generator: its files read back through the import side hold what its
// statistics promise, and they depend on the parameters alone.
#include "Support/TestSupport.h"

#include "AssemblyGenerator.h"
#include "Common/Core/StringUtil.h"
#include "Geometry/Kernel/TopoShape.h"
#include "XdeDocumentI.h"
#include "XdeLabelSequence.h"
#include "XdeNode.h"
#include "XdeNodeIterator.h"

#include <gp_Pnt.hxx>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

using orvex::bench::AssemblyParameters;
using orvex::bench::AssemblyStats;
using namespace orvkit;
using namespace orvtest;

namespace {

// What a file holds, gathered by walking the assembly tree down from its free shapes.
struct Contents {
    int freeShapes = 0;
    std::set<std::string> assemblies;
    std::map<std::string, int> partUses;
    int partFaces = 0;
    int partInstances = 0;
    int assemblyInstances = 0;
    int coloredFaces = 0;
    // Face colours equal to their part's colour, which the generator never makes.
    int faceColorsLikeTheirPart = 0;
    std::multiset<std::string> componentNames;
    // Placements of the part instances in the root's frame.
    std::vector<gp_Trsf> placements;
};

class Reader {
public:
    explicit Reader(const std::string& path) : myOpened(myDocument.Open(StringUtil::ToW(path))) {}

    bool Opened() const { return myOpened; }

    Contents Read()
    {
        Contents contents;
        contents.freeShapes = myDocument.GetShapeCount();
        for (int index = 0; index < contents.freeShapes; ++index) {
            Walk(myDocument.GetShapeNode(index), gp_Trsf(), contents);
        }
        return contents;
    }

    XdeDocumentI& Document() { return myDocument; }

private:
    void Walk(const std::shared_ptr<XdeNode>& assembly, const gp_Trsf& frame, Contents& contents)
    {
        contents.assemblies.insert(assembly->GetName());
        for (XdeNodeIterator it(assembly); it.More(); it.Next()) {
            const std::shared_ptr<XdeNode> component = it.Value();
            if (!myDocument.IsReference(component)) {
                continue;
            }
            const std::shared_ptr<XdeNode> target = myDocument.GetReferencedShape(component);
            contents.componentNames.insert(component->GetName());
            const gp_Trsf placement = frame * component->GetLocation();
            if (myDocument.IsAssembly(target)) {
                ++contents.assemblyInstances;
                Walk(target, placement, contents);
                continue;
            }
            ++contents.partInstances;
            contents.placements.push_back(placement);
            if (contents.partUses[target->GetName()]++ == 0) {
                ReadPart(target, contents);
            }
        }
    }

    void ReadPart(const std::shared_ptr<XdeNode>& part, Contents& contents)
    {
        const glm::vec3 none(-1.0f);
        const glm::vec3 partColor = myDocument.GetColor(part, none);
        contents.partFaces += myDocument.GetShape(part)->CountChildren(TopoShapeFace);
        for (XdeLabelSequence faces(part); faces.More(); faces.Next()) {
            const glm::vec3 color = myDocument.GetColor(faces.Value(), none);
            if (color == none) {
                continue;
            }
            ++contents.coloredFaces;
            contents.faceColorsLikeTheirPart += color == partColor ? 1 : 0;
        }
    }

    XdeDocumentI myDocument;
    bool myOpened;
};

AssemblyParameters Small(bool faceColors)
{
    AssemblyParameters parameters;
    parameters.parts = 4;
    parameters.instances = 30;
    parameters.depth = 2;
    parameters.fanout = 3;
    parameters.faceColors = faceColors;
    return parameters;
}

std::string PartName(int part)
{
    return "PART-000" + std::to_string(part + 1);
}

TEST(AssemblyGeneratorTest, FileHoldsWhatTheStatisticsPromise)
{
    struct Case {
        AssemblyParameters parameters;
        // Counted by hand from the part kinds: boxes have 6 faces, cylinders 3, and the first
        // prism 7; every third face from the first is coloured.
        AssemblyStats expected;
    };
    AssemblyParameters prisms;
    prisms.parts = 3;
    prisms.instances = 3;
    prisms.depth = 1;
    prisms.faces = 20;
    prisms.faceColors = true;
    const Case cases[] = {
        {Small(false), {4, 22, 4, 30, 3, 0}},
        {Small(true), {4, 22, 4, 30, 3, 8}},
        {prisms, {3, 60, 1, 3, 0, 21}},
    };
    TempDir dir;
    for (const Case& item : cases) {
        const std::string description = orvex::bench::DescribeParameters(item.parameters);
        SCOPED_TRACE(description);
        const std::string path = dir.File(description + ".step");
        AssemblyStats stats;
        std::string error;
        ASSERT_TRUE(orvex::bench::WriteAssemblyStep(item.parameters, path, &stats, &error))
            << error;
        EXPECT_EQ(stats.parts, item.expected.parts);
        EXPECT_EQ(stats.partFaces, item.expected.partFaces);
        EXPECT_EQ(stats.assemblies, item.expected.assemblies);
        EXPECT_EQ(stats.partInstances, item.expected.partInstances);
        EXPECT_EQ(stats.assemblyInstances, item.expected.assemblyInstances);
        EXPECT_EQ(stats.coloredFaces, item.expected.coloredFaces);

        Reader reader(path);
        ASSERT_TRUE(reader.Opened());
        const Contents contents = reader.Read();
        // One root; parts are shared by their instances, sub-assemblies are not shared.
        EXPECT_EQ(contents.freeShapes, 1);
        EXPECT_EQ(static_cast<int>(contents.partUses.size()), stats.parts);
        EXPECT_EQ(static_cast<int>(contents.assemblies.size()), stats.assemblies);
        EXPECT_EQ(contents.partInstances, stats.partInstances);
        EXPECT_EQ(contents.assemblyInstances, stats.assemblyInstances);
        EXPECT_EQ(contents.partFaces, stats.partFaces);
        EXPECT_EQ(contents.coloredFaces, stats.coloredFaces);
        EXPECT_EQ(contents.faceColorsLikeTheirPart, 0);
        // Instance i places part i mod P, so the parts' uses differ by at most one.
        for (const auto& [name, uses] : contents.partUses) {
            EXPECT_GE(uses, stats.partInstances / stats.parts) << name;
            EXPECT_LE(uses, stats.partInstances / stats.parts + 1) << name;
        }
        // No two instances share a place.
        for (size_t a = 0; a < contents.placements.size(); ++a) {
            for (size_t b = a + 1; b < contents.placements.size(); ++b) {
                EXPECT_GT((contents.placements[a].TranslationPart() -
                           contents.placements[b].TranslationPart())
                              .Modulus(),
                          1.0)
                    << a << " " << b;
            }
        }
    }
}

TEST(AssemblyGeneratorTest, NamesAndPlacementsFollowTheLayout)
{
    TempDir dir;
    const std::string path = dir.File("small.step");
    std::string error;
    ASSERT_TRUE(orvex::bench::WriteAssemblyStep(Small(false), path, nullptr, &error)) << error;
    Reader reader(path);
    ASSERT_TRUE(reader.Opened());
    const Contents contents = reader.Read();

    EXPECT_EQ(contents.assemblies,
              (std::set<std::string>{"ASM", "ASM-2-001", "ASM-2-002", "ASM-2-003"}));
    std::multiset<std::string> expected{"ASM-2-001:1", "ASM-2-002:1", "ASM-2-003:1"};
    for (int instance = 0; instance < 30; ++instance) {
        expected.insert(PartName(instance % 4) + ":" + std::to_string(instance / 4 + 1));
    }
    EXPECT_EQ(contents.componentNames, expected);
    for (int part = 0; part < 4; ++part) {
        EXPECT_EQ(contents.partUses.count(PartName(part)), 1u) << part;
    }

    // The root's second sub-assembly: one leaf's extent (a 4 x 4 grid of 60 mm, 10 instances)
    // times 1.5 along X, 100 mm up.
    XdeDocumentI& document = reader.Document();
    ASSERT_EQ(contents.freeShapes, 1);
    const std::shared_ptr<XdeNode> root = document.GetShapeNode(0);
    XdeNodeIterator components(root);
    ASSERT_TRUE(components.More());
    const std::shared_ptr<XdeNode> firstLeaf = document.GetReferencedShape(components.Value());
    components.Next();
    ASSERT_TRUE(components.More());
    const gp_XYZ second = components.Value()->GetLocation().TranslationPart();
    EXPECT_NEAR((second - gp_XYZ(360.0, 0.0, 100.0)).Modulus(), 0.0, 1e-6);

    // In the first leaf, instance 0 sits at the origin unturned; instance 1 one grid step
    // along X, tipped over about X and then turned 23 degrees about Z.
    XdeNodeIterator instances(firstLeaf);
    ASSERT_TRUE(instances.More());
    EXPECT_NEAR(
        gp_Pnt(1, 2, 3).Transformed(instances.Value()->GetLocation()).Distance(gp_Pnt(1, 2, 3)),
        0.0, 1e-9);
    instances.Next();
    ASSERT_TRUE(instances.More());
    const double angle = 23.0 * M_PI / 180.0;
    const gp_Pnt moved = gp_Pnt(0, 0, 1).Transformed(instances.Value()->GetLocation());
    EXPECT_NEAR(moved.Distance(gp_Pnt(60.0 + std::sin(angle), -std::cos(angle), 0.0)), 0.0, 1e-6);
}

TEST(AssemblyGeneratorTest, SameParametersGiveTheSameBytesWhereverWritten)
{
    TempDir first;
    TempDir second;
    const std::string a = first.File("a.step");
    const std::string b = second.File("other-name.step");
    std::string error;
    ASSERT_TRUE(orvex::bench::WriteAssemblyStep(Small(true), a, nullptr, &error)) << error;
    ASSERT_TRUE(orvex::bench::WriteAssemblyStep(Small(true), b, nullptr, &error)) << error;
    const std::string bytes = ReadWholeFile(a);
    EXPECT_EQ(bytes, ReadWholeFile(b));
    EXPECT_NE(bytes.find("FILE_NAME('orvex-assembly-p4-n30-d2-k3-f0-fc1','2000-01-01T00:00:00'"),
              std::string::npos);
    EXPECT_EQ(bytes.find(first.GetPath()), std::string::npos);
    // Other parameters, other bytes.
    ASSERT_TRUE(orvex::bench::WriteAssemblyStep(Small(false), b, nullptr, &error)) << error;
    EXPECT_NE(bytes, ReadWholeFile(b));
    // Nothing but the target stays beside it.
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(first.GetPath())) {
        EXPECT_EQ(entry.path().filename(), "a.step");
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST(AssemblyGeneratorTest, FailuresGiveAReasonAndLeaveNoFile)
{
    TempDir dir;
    AssemblyParameters tooFewInstances = Small(false);
    tooFewInstances.instances = 3;
    std::string error;
    const std::string path = dir.File("bad.step");
    EXPECT_FALSE(orvex::bench::WriteAssemblyStep(tooFewInstances, path, nullptr, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(path));

    error.clear();
    const std::string unwritable = dir.File("missing-folder/out.step");
    EXPECT_FALSE(orvex::bench::WriteAssemblyStep(Small(false), unwritable, nullptr, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.GetPath()));
}

} // namespace
