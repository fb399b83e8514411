// The generic shape reader and the repairs on real files of the shared corpus: every STEP and
// IGES file comes in as its translator alone gives it, and files of loose faces are made
// solids or refused. Skipped when the corpus is not beside the checkout.
#include "Support/TestSupport.h"

#include "Geometry/Builder/FixShapeTool.h"
#include "Geometry/Builder/ShapeBuilder.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "Geometry/IO/ShapeIO.h"

#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <IGESControl_Reader.hxx>
#include <STEPControl_Reader.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <cctype>
#include <filesystem>

using namespace orvkit;
using namespace orvtest;

namespace {

namespace fs = std::filesystem;

std::string LowerExtension(const fs::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool IsIges(const std::string& path)
{
    const std::string extension = LowerExtension(path);
    return extension == ".igs" || extension == ".iges";
}

// Every STEP and IGES file of the folders with readable files (crashers/ and malformed/ are
// left out), as paths relative to the corpus; one empty entry when there is no corpus.
std::vector<std::string> CorpusModelFiles()
{
    std::vector<std::string> files;
    for (const char* folder : {"step", "step-pmi", "iges", "large"}) {
        const std::string path = CorpusFile(folder);
        if (path.empty()) {
            continue;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
            const std::string extension = LowerExtension(entry.path());
            if (extension == ".step" || extension == ".stp" || IsIges(entry.path())) {
                files.push_back(std::string(folder) + "/" + entry.path().filename().string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        files.emplace_back();
    }
    return files;
}

// The file read by its translator alone, in OpenCASCADE's default unit (millimetres).
template <class Reader> TopoDS_Shape ReadWith(const std::string& path)
{
    Reader reader;
    if (reader.ReadFile(path.c_str()) != IFSelect_RetDone) {
        return {};
    }
    reader.TransferRoots();
    return reader.OneShape();
}

TopoDS_Shape ReadDirectly(const std::string& path)
{
    return IsIges(path) ? ReadWith<IGESControl_Reader>(path) : ReadWith<STEPControl_Reader>(path);
}

class ShapeIOCorpusTest : public ::testing::TestWithParam<std::string> {
protected:
    // Reads without repairs: the plugin's post-process, which the test support links in, is
    // taken out.
    void SetUp() override { ShapeExchangeManager::Instance().SetPostprocess(nullptr); }
};

TEST_P(ShapeIOCorpusTest, GivesTheShapeItsTranslatorGives)
{
    const std::string path = GetParam().empty() ? std::string() : CorpusFile(GetParam());
    if (path.empty()) {
        GTEST_SKIP() << "corpus not available";
    }
    const TopoDS_Shape direct = ReadDirectly(path);
    const std::shared_ptr<TopoShape> shape = ShapeIO::Open(path, nullptr);
    if (direct.IsNull()) {
        EXPECT_FALSE(shape);
        return;
    }
    ASSERT_TRUE(shape);
    const TopoShape expected(direct);
    EXPECT_EQ(shape->GetShapeType(), expected.GetShapeType());
    EXPECT_EQ(shape->CountChildren(TopoShapeFace), expected.CountChildren(TopoShapeFace));
    EXPECT_EQ(shape->CountChildren(TopoShapeSolid), expected.CountChildren(TopoShapeSolid));
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name;
    for (const char c : info.param) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name.empty() ? "NoCorpus" : name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, ShapeIOCorpusTest, ::testing::ValuesIn(CorpusModelFiles()),
                         TestName);

double Volume(const TopoDS_Shape& shape)
{
    GProp_GProps props;
    BRepGProp::VolumeProperties(shape, props);
    return props.Mass();
}

class CorpusRepairTest : public ::testing::Test {
protected:
    void SetUp() override { ShapeExchangeManager::Instance().SetPostprocess(nullptr); }

    // The file read through ShapeIO; null (and the test to be skipped) without the corpus.
    static std::shared_ptr<TopoShape> Read(const std::string& relative)
    {
        const std::string path = CorpusFile(relative);
        if (path.empty()) {
            return nullptr;
        }
        std::shared_ptr<TopoShape> shape = ShapeIO::Open(path, nullptr);
        EXPECT_TRUE(shape) << relative;
        return shape;
    }
};

#define READ_OR_SKIP(shape, relative)                                                              \
    const std::shared_ptr<TopoShape> shape = Read(relative);                                       \
    if (!shape) {                                                                                  \
        GTEST_SKIP() << "corpus not available";                                                    \
    }

// Four faces of a cylinder of radius 50 around the X axis, from x = 0 to 100, and eleven faces
// of another part: each file's faces, none in a shell, sew into one valid solid of them all.
TEST_F(CorpusRepairTest, LooseFacesThatCloseBecomeOneValidSolid)
{
    const std::tuple<const char*, int, double> cases[] = {
        {"iges/OCC8842_cylinder_CATIA.igs", 4, M_PI * 50.0 * 50.0 * 100.0},
        {"iges/UKI60998.igs", 11, 0.0},
    };
    for (const auto& [file, count, volume] : cases) {
        READ_OR_SKIP(faces, file);
        ASSERT_EQ(faces->CountChildren(TopoShapeSolid), 0) << file;
        ASSERT_EQ(faces->CountChildren(TopoShapeShell), 0) << file;
        ASSERT_EQ(faces->CountChildren(TopoShapeFace), count) << file;
        const std::shared_ptr<TopoShape> solid = ShapeBuilder::MakeSolid(faces, 0.01);
        ASSERT_TRUE(solid) << file;
        EXPECT_EQ(solid->GetShapeType(), TopoShapeSolid) << file;
        EXPECT_EQ(solid->CountChildren(TopoShapeFace), count) << file;
        EXPECT_TRUE(BRepCheck_Analyzer(solid->GetImpl()).IsValid()) << file;
        if (volume > 0.0) {
            EXPECT_NEAR(Volume(solid->GetImpl()), volume, 1.0) << file;
            Bnd_Box box;
            BRepBndLib::Add(solid->GetImpl(), box, Standard_False);
            box.SetGap(0.0);
            EXPECT_NEAR(box.CornerMin().Y(), -50.0, 1e-3) << file;
            EXPECT_NEAR(box.CornerMax().X() - box.CornerMin().X(), 100.0, 1e-3) << file;
        } else {
            EXPECT_GT(Volume(solid->GetImpl()), 0.0) << file;
        }
    }
}

TEST_F(CorpusRepairTest, FacesThatDoNotCloseGiveNoSolid)
{
    // The bearing's 213 faces sew into one shell that stays open; the four faces of the other
    // file touch nowhere.
    READ_OR_SKIP(bearing, "iges/bearing.iges");
    ASSERT_GT(bearing->CountChildren(TopoShapeFace), 200);
    EXPECT_FALSE(ShapeBuilder::MakeSolid(bearing, 0.01));

    READ_OR_SKIP(apart, "step/trj7_c2-td-203.stp");
    ASSERT_EQ(apart->CountChildren(TopoShapeFace), 4);
    EXPECT_FALSE(ShapeBuilder::MakeSolid(apart, 0.01));
}

TEST_F(CorpusRepairTest, SmallEdgesOfARealPartAreRemoved)
{
    READ_OR_SKIP(part, "step/trj4_k1_geo-ac-214.stp");
    const auto shortest = [](const TopoDS_Shape& shape) {
        double length = 1e100;
        for (TopExp_Explorer it(shape, TopAbs_EDGE); it.More(); it.Next()) {
            if (!BRep_Tool::Degenerated(TopoDS::Edge(it.Current()))) {
                GProp_GProps props;
                BRepGProp::LinearProperties(it.Current(), props);
                length = std::min(length, props.Mass());
            }
        }
        return length;
    };
    ASSERT_LT(shortest(part->GetImpl()), 0.1);
    const std::shared_ptr<TopoShape> fixed = FixShapeTool::FixSmallEdges(part, 0.1, 1.0);
    ASSERT_TRUE(fixed);
    EXPECT_GE(shortest(fixed->GetImpl()), 0.1);
    EXPECT_LT(fixed->CountChildren(TopoShapeEdge), part->CountChildren(TopoShapeEdge));
    EXPECT_EQ(fixed->CountChildren(TopoShapeFace), part->CountChildren(TopoShapeFace));
    EXPECT_TRUE(BRepCheck_Analyzer(fixed->GetImpl()).IsValid());
}

} // namespace
