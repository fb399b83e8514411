// The document: ownership of elements, lookup, views, and undo of committed transactions.
#include "Support/TestSupport.h"

#include "Annotation/DiameterAnnotationModel.h"
#include "Data/App/DocumentManager.h"
#include "Data/Kernel/AssemblyElement.h"
#include "Data/Kernel/DbViewBase.h"
#include "Data/Kernel/ElementTable.h"
#include "Data/Kernel/GroupElement.h"
#include "Data/Kernel/InstanceElement.h"
#include "Data/Kernel/LineStyleElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "Data/Kernel/UndoTransaction.h"

using namespace orvkit;

namespace {

// Runs `change` in a step of its own, committed under `name`.
template <class Change> void CommitStep(Document& document, const char* name, Change change)
{
    UndoTransaction transaction(&document);
    ASSERT_TRUE(transaction.Start(name));
    change();
    ASSERT_TRUE(transaction.Commit(0));
}

TEST(DocumentTest, InitializeMakesTheActive3DView)
{
    Document document;
    const ObjectId viewId = document.Initialize("3D");
    EXPECT_EQ(document.GetActiveDbViewId(), viewId);
    const auto* view = document.FindElementAs<DbViewBase>(viewId);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetViewType(), DbViewType3D);
}

TEST(DocumentTest, NewElementTakesOwnershipUnderAFreshOrGivenId)
{
    Document document;
    Element* made = document.NewElement(std::make_unique<ShapeElement>(), ObjectId::InvalidId);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->GetId().IsValid());
    EXPECT_EQ(made->GetDocument(), &document);
    EXPECT_EQ(document.FindElement(made->GetId()), made);
    EXPECT_EQ(document.FindElementAs<InstanceElement>(made->GetId()), nullptr);

    const ObjectId chosen = ObjectId::NewId();
    EXPECT_NE(document.NewElement(std::make_unique<GroupElement>(), chosen), nullptr);
    EXPECT_EQ(document.NewElement(std::make_unique<GroupElement>(), chosen), nullptr);
    EXPECT_EQ(document.NewElement(nullptr, ObjectId::InvalidId), nullptr);
    EXPECT_EQ(document.GetElementCount(), 2u);
    EXPECT_EQ(document.FindElement(ObjectId::NewId()), nullptr);
}

TEST(DocumentTest, SetChildrenMakesTheContainerTheParent)
{
    Document document;
    ShapeElement* a = ShapeElement::Create(&document);
    ShapeElement* b = ShapeElement::Create(&document);
    AssemblyElement* assembly = AssemblyElement::Create(&document);
    assembly->SetChildren({b->GetId(), a->GetId()});
    EXPECT_EQ(a->GetParentId(), assembly->GetId());
    EXPECT_EQ(b->GetParentId(), assembly->GetId());
    ASSERT_EQ(assembly->GetChildren().size(), 2u);
    EXPECT_EQ(*assembly->GetChildren().begin(), a->GetId());
}

TEST(DocumentTest, InstanceOfADrawableShowsItsPrototypeColour)
{
    Document document;
    ShapeElement* shape = ShapeElement::Create(&document);
    shape->SetColor({1, 0, 0});
    const ObjectId parent = ObjectId::NewId();
    DrawableElement* instance = shape->CreateInstance(&document, "copy", parent);
    ASSERT_NE(instance, nullptr);
    EXPECT_STREQ(instance->GetClassName(), "InstanceElement");
    EXPECT_EQ(instance->GetName(), "copy");
    EXPECT_EQ(instance->GetParentId(), parent);
    EXPECT_EQ(instance->GetColor(), glm::vec3(1, 0, 0));
    EXPECT_EQ(instance->GetDocument(), &document);
}

TEST(DocumentTest, UndoAndRedoOfACommittedStepTakeOutAndPutBackWhatItMadeAndRemoved)
{
    Document document;
    ShapeElement* existing = ShapeElement::Create(&document);
    const ObjectId existingId = existing->GetId();
    ObjectId madeId;
    CommitStep(document, "AdvImport", [&] {
        madeId = GroupElement::Create(&document)->GetId();
        ASSERT_TRUE(document.RemoveElement(existingId));
        const ObjectId transient = ShapeElement::Create(&document)->GetId();
        ASSERT_TRUE(document.RemoveElement(transient));
    });
    EXPECT_EQ(document.GetUndoName(), "AdvImport");
    EXPECT_EQ(document.GetUndoCount(), 1u);
    EXPECT_NE(document.FindElement(madeId), nullptr);
    EXPECT_EQ(document.FindElement(existingId), nullptr);

    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(document.FindElement(madeId), nullptr);
    EXPECT_EQ(document.FindElement(existingId), existing) << "the same element comes back";
    EXPECT_EQ(document.GetElementCount(), 1u);
    EXPECT_FALSE(document.Undo());

    ASSERT_TRUE(document.Redo());
    EXPECT_NE(document.FindElement(madeId), nullptr);
    EXPECT_EQ(document.FindElement(existingId), nullptr);
    EXPECT_FALSE(document.Redo());
}

TEST(DocumentTest, ANewStepDropsTheUndoneOnes)
{
    Document document;
    for (const char* name : {"first", "second"}) {
        CommitStep(document, name, [&] { ShapeElement::Create(&document); });
    }
    ASSERT_TRUE(document.Undo());
    EXPECT_TRUE(document.CanRedo());
    CommitStep(document, "third", [] {});
    EXPECT_FALSE(document.CanRedo());
    EXPECT_EQ(document.GetUndoName(), "third");
    EXPECT_EQ(document.GetElementCount(), 1u);
}

TEST(DocumentTest, AStepLeftUncommittedIsRolledBack)
{
    Document document;
    ShapeElement* kept = ShapeElement::Create(&document);
    {
        UndoTransaction transaction(&document);
        ASSERT_TRUE(transaction.Start("Import"));
        ShapeElement::Create(&document);
        document.RemoveElement(kept->GetId());
        // A second transaction cannot open while this one is.
        UndoTransaction nested(&document);
        EXPECT_FALSE(nested.Start("nested"));
    }
    EXPECT_EQ(document.GetElementCount(), 1u);
    EXPECT_EQ(document.FindElement(kept->GetId()), kept);
    EXPECT_FALSE(document.CanUndo());
}

TEST(DocumentTest, UndoAndRedoWaitForAnOpenStepAndRepeatCleanly)
{
    Document document;
    LineStyleElement* removed = LineStyleElement::Create(&document);
    removed->SetName("DASHED");
    const ObjectId removedId = removed->GetId();
    ElementTable* styles = document.FindTable(LineStyleElement::GetStaticClassId());
    CommitStep(document, "Delete", [&] { ASSERT_TRUE(document.RemoveElement(removedId)); });
    {
        // An open step is neither undone past nor redone into.
        UndoTransaction open(&document);
        ASSERT_TRUE(open.Start("Open"));
        EXPECT_FALSE(document.Undo());
        EXPECT_FALSE(document.Redo());
    }
    EXPECT_EQ(document.GetUndoName(), "Delete");
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(document.Undo()) << round;
        EXPECT_EQ(document.FindElement(removedId), removed) << round;
        EXPECT_EQ(styles->GetIds(), std::set<ObjectId>{removedId}) << round;
        EXPECT_EQ(styles->FindByName("DASHED"), removed) << round;
        ASSERT_TRUE(document.Redo()) << round;
        EXPECT_EQ(document.FindElement(removedId), nullptr) << round;
        EXPECT_TRUE(styles->GetIds().empty()) << round;
        EXPECT_EQ(styles->FindByName("DASHED"), nullptr) << round;
    }
    EXPECT_EQ(document.GetElementCount(), 0u);
}

TEST(DocumentTest, AnAnnotationModelDoesNotReachAnElementAnUndoTookAway)
{
    Document document;
    DiameterAnnotationModel model;
    CommitStep(document, "Dimension", [&] { model.Create(&document); });
    ASSERT_TRUE(document.Undo());
    // A new step drops the undone one, and with it the element.
    CommitStep(document, "Other", [] {});
    model.SetValue(12.5);
    model.SetPosition(gp_Pnt(1, 2, 3));
    EXPECT_EQ(document.GetElementCount(), 0u);
}

TEST(DocumentTest, DisabledTransactionsRecordNothing)
{
    Document document;
    document.EnableTransaction(false);
    UndoTransaction transaction(&document);
    EXPECT_FALSE(transaction.Start("Import"));
    ShapeElement::Create(&document);
    EXPECT_FALSE(transaction.Commit(0));
    EXPECT_FALSE(document.CanUndo());
    EXPECT_EQ(document.GetElementCount(), 1u);
}

TEST(DocumentTest, TheLineStyleTableFollowsTheDocumentThroughUndoAndRedo)
{
    Document document;
    ElementTable* table = document.FindTable(LineStyleElement::GetStaticClassId());
    ASSERT_NE(table, nullptr) << "a new document has a line-style table";
    EXPECT_EQ(document.FindTable("NoSuchClass"), nullptr);
    EXPECT_FALSE(table->Accepts(*ShapeElement::Create(&document)));

    LineStyleElement* dashed = LineStyleElement::Create(&document);
    dashed->SetName("DASHED");
    ObjectId hiddenId;
    CommitStep(document, "styles", [&] {
        LineStyleElement* hidden = LineStyleElement::Create(&document);
        hidden->SetName("HIDDEN");
        hiddenId = hidden->GetId();
        document.RemoveElement(dashed->GetId());
    });
    EXPECT_EQ(table->FindByName("DASHED"), nullptr);
    EXPECT_EQ(table->FindByName("HIDDEN")->GetId(), hiddenId);
    EXPECT_EQ(table->FindByName("hidden"), nullptr) << "names compare exactly";

    // Undo and redo of the removed DASHED are in UndoAndRedoWaitForAnOpenStepAndRepeatCleanly.
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(table->FindByName("HIDDEN"), nullptr);
    EXPECT_EQ(table->GetIds(), std::set<ObjectId>{dashed->GetId()});

    ASSERT_TRUE(document.Redo());
    EXPECT_EQ(table->GetIds(), std::set<ObjectId>{hiddenId});

    // Renaming moves an element in the name index; of two of one name the older is found.
    LineStyleElement* twin = LineStyleElement::Create(&document);
    twin->SetName("HIDDEN");
    EXPECT_EQ(table->FindByName("HIDDEN")->GetId(), hiddenId);
    document.FindElement(hiddenId)->SetName("HIDDEN2");
    EXPECT_EQ(table->FindByName("HIDDEN"), twin);
    EXPECT_EQ(table->FindByName("HIDDEN2")->GetId(), hiddenId);
}

TEST(DocumentManagerTest, NewDocumentsBecomeActiveAndClosingMovesTheActiveOne)
{
    DocumentManager& manager = DocumentManager::Instance();
    auto first = manager.NewDocument();
    auto second = manager.NewDocument();
    EXPECT_EQ(manager.GetActiveDocument(), second.get());
    EXPECT_TRUE(first->GetActiveDbViewId().IsValid());
    EXPECT_TRUE(manager.CloseDocument(second.get()));
    EXPECT_EQ(manager.GetActiveDocument(), first.get());
    EXPECT_FALSE(manager.CloseDocument(second.get()));
    EXPECT_TRUE(manager.CloseDocument(first.get()));
}

} // namespace
