// XdeNode, XdeNodeIterator and XdeLabelSequence on labels of a kernel document.
#include "Support/TestSupport.h"

#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeLabelImpl.h"
#include "XdeLabelSequence.h"
#include "XdeNode.h"
#include "XdeNodeIterator.h"

#include <TDF_TagSource.hxx>
#include <TopExp.hxx>
#include <TopLoc_Location.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <XCAFDoc_Location.hxx>
#include <gp_Ax1.hxx>

#include <vector>

using namespace orvkit;
using namespace orvtest;

namespace {

::testing::AssertionResult TrsfNear(const gp_Trsf& expected, const gp_Trsf& actual)
{
    for (int row = 1; row <= 3; ++row) {
        for (int column = 1; column <= 4; ++column) {
            if (std::abs(expected.Value(row, column) - actual.Value(row, column)) > 1e-12) {
                return ::testing::AssertionFailure()
                       << "entry (" << row << ", " << column << "): expected "
                       << expected.Value(row, column) << " got " << actual.Value(row, column);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

gp_Trsf Rotation(const gp_Dir& axis, double angle)
{
    gp_Trsf rotation;
    rotation.SetRotation(gp_Ax1(gp_Pnt(0, 0, 0), axis), angle);
    return rotation;
}

class XdeNodeTest : public ::testing::Test {
protected:
    // A new label without children, away from the document's own labels.
    std::shared_ptr<XdeNode> NewNode()
    {
        return std::make_shared<XdeNode>(myImpl.GetMain().FindChild(++myLastTag, Standard_True));
    }

    // The sub-shape label of the part's sub-shape of `type` at `index` (from 0, TopExp order).
    TDF_Label AddSubShape(const std::shared_ptr<XdeNode>& part, TopAbs_ShapeEnum type, int index)
    {
        TopTools_IndexedMapOfShape map;
        TopExp::MapShapes(myImpl.shapeTool->GetShape(part->GetImpl()->label), type, map);
        return myImpl.shapeTool->AddSubShape(part->GetImpl()->label, map.FindKey(index + 1));
    }

    XdeDocumentImpl myImpl;
    int myLastTag = 100;
};

TEST_F(XdeNodeTest, IteratorVisitsExactlyTheDirectChildrenOfAThreeLevelTree)
{
    const auto parent = NewNode();
    const TDF_Label parentLabel = parent->GetImpl()->label;
    std::vector<TDF_Label> children;
    for (int child = 0; child < 3; ++child) {
        children.push_back(TDF_TagSource::NewChild(parentLabel));
        for (int grandchild = 0; grandchild <= child; ++grandchild) {
            TDF_TagSource::NewChild(TDF_TagSource::NewChild(children.back()));
        }
    }
    EXPECT_EQ(parent->NbChildren(), 3);
    EXPECT_TRUE(parent->HasChild());

    std::vector<TDF_Label> visited;
    for (XdeNodeIterator it(parent); it.More(); it.Next()) {
        const std::shared_ptr<XdeNode> node = it.Value();
        EXPECT_EQ(node->GetDepth(), parent->GetDepth() + 1);
        EXPECT_EQ(node->NbChildren(), static_cast<int>(visited.size()) + 1);
        visited.push_back(node->GetImpl()->label);
    }
    EXPECT_EQ(visited, children);

    // One level further down: the first child's single grandchild, itself with one child.
    XdeNodeIterator below(std::make_shared<XdeNode>(children[0]));
    ASSERT_TRUE(below.More());
    EXPECT_EQ(below.Value()->GetDepth(), parent->GetDepth() + 2);
    EXPECT_EQ(below.Value()->NbChildren(), 1);
    below.Next();
    EXPECT_FALSE(below.More());
}

TEST_F(XdeNodeTest, EachValueIsANewNodeOnTheSameLabel)
{
    const auto parent = NewNode();
    TDF_TagSource::NewChild(parent->GetImpl()->label);
    XdeNodeIterator it(parent);
    const auto first = it.Value();
    const auto second = it.Value();
    EXPECT_NE(first, second);
    EXPECT_NE(first->GetImpl(), second->GetImpl());
    EXPECT_EQ(first->GetImpl()->label, second->GetImpl()->label);
}

TEST_F(XdeNodeTest, LabelWithoutChildrenHasNothingToIterate)
{
    const auto leaf = NewNode();
    EXPECT_FALSE(leaf->IsNullLabel());
    EXPECT_EQ(leaf->NbChildren(), 0);
    EXPECT_FALSE(leaf->HasChild());
    XdeNodeIterator it(leaf);
    EXPECT_FALSE(it.More());
    EXPECT_TRUE(it.Value()->IsNullLabel());
}

TEST_F(XdeNodeTest, RootHasDepthZeroAndANullLabelIsReported)
{
    const auto root = std::make_shared<XdeNode>(myImpl.document->GetData()->Root());
    EXPECT_EQ(root->GetDepth(), 0);
    EXPECT_EQ(std::make_shared<XdeNode>(myImpl.GetMain())->GetDepth(), 1);
    EXPECT_TRUE(std::make_shared<XdeNode>(TDF_Label())->IsNullLabel());
}

TEST_F(XdeNodeTest, LocationIsIdentityUntilSetAndEachSetReplacesTheLast)
{
    const auto node = NewNode();
    EXPECT_TRUE(TrsfNear(gp_Trsf(), node->GetLocation()));

    gp_Trsf first = Rotation(gp::DZ(), M_PI / 3);
    first.SetTranslationPart(gp_Vec(10, -20, 30));
    node->SetLocation(first);
    EXPECT_TRUE(TrsfNear(first, node->GetLocation()));

    gp_Trsf second = Rotation(gp_Dir(1, 1, 0), -M_PI / 5);
    second.SetTranslationPart(gp_Vec(-1, 2, 0.5));
    node->SetLocation(second);
    EXPECT_TRUE(TrsfNear(second, node->GetLocation()));
    // The other node on the label sees the same stored placement.
    EXPECT_TRUE(TrsfNear(second, XdeNode(node->GetImpl()->label).GetLocation()));
}

TEST_F(XdeNodeTest, ChainedLocationIsReadAsOneComposedTransformation)
{
    const auto node = NewNode();
    gp_Trsf move;
    move.SetTranslation(gp_Vec(5, 0, 0));
    const gp_Trsf turn = Rotation(gp::DX(), M_PI / 2);
    const TopLoc_Location chain = TopLoc_Location(move) * TopLoc_Location(turn);
    ASSERT_EQ(chain.NextLocation().IsIdentity(), Standard_False);
    XCAFDoc_Location::Set(node->GetImpl()->label, chain);
    EXPECT_TRUE(TrsfNear(move.Multiplied(turn), node->GetLocation()));
}

TEST_F(XdeNodeTest, NamesComeBackAsSetAndAnUnnamedLabelGivesAnEmptyName)
{
    const auto node = NewNode();
    EXPECT_EQ(node->GetName(), "");
    node->SetName("Bracket-01");
    EXPECT_EQ(node->GetName(), "Bracket-01");
    node->SetName("支架 Ø12");
    EXPECT_EQ(node->GetName(), "支架 Ø12");
    EXPECT_EQ(std::make_shared<XdeNode>(node->GetImpl()->label)->GetName(), "支架 Ø12");
}

TEST_F(XdeNodeTest, SubShapeSequenceListsTheSubShapeLabelsTakenAtConstruction)
{
    const auto part =
        std::make_shared<XdeNode>(myImpl.shapeTool->AddShape(MakeBox(1, 2, 3), Standard_False));
    XdeLabelSequence before(part);
    EXPECT_FALSE(before.More());
    before.Next();
    EXPECT_FALSE(before.More());

    const TDF_Label top = AddSubShape(part, TopAbs_FACE, 0);
    const TDF_Label edge = AddSubShape(part, TopAbs_EDGE, 3);
    EXPECT_FALSE(before.More());

    std::vector<TDF_Label> visited;
    XdeLabelSequence after(part);
    for (; after.More(); after.Next()) {
        visited.push_back(after.Value()->GetImpl()->label);
    }
    EXPECT_EQ(visited, (std::vector<TDF_Label>{top, edge}));
    after.Next();
    EXPECT_FALSE(after.More());
}

} // namespace
