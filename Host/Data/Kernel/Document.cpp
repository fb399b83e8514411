#include "Document.h"

#include "Data/Kernel/DbViewBase.h"
#include "Data/Kernel/LineStyleElement.h"

#include <algorithm>

namespace orvkit {

// What one transaction did. While the step is done, `removed` holds the elements it took out;
// while it is undone, `created` holds the elements it had made.
struct Document::UndoStep {
    std::string name;
    int action = 0;
    std::vector<ObjectId> createdIds;
    std::vector<ObjectId> removedIds;
    std::vector<std::unique_ptr<Element>> created;
    std::vector<std::unique_ptr<Element>> removed;
};

Document::Document()
{
    myTables.emplace(LineStyleElement::GetStaticClassId(),
                     std::make_unique<ElementTableT<LineStyleElement>>(this));
}

Document::~Document()
{
    // Elements may look at the document while they go; clear before members die.
    myRedoSteps.clear();
    myUndoSteps.clear();
    myOpenStep.reset();
    myElements.clear();
}

ObjectId Document::Initialize(const std::string& viewType)
{
    DbViewBase* view = DbViewBase::Create(this, viewType == "2D" ? DbViewType2D : DbViewType3D);
    view->SetName(viewType);
    myActiveViewId = view->GetId();
    return myActiveViewId;
}

Element* Document::NewElement(std::unique_ptr<Element>&& element, ObjectId id)
{
    if (!element) {
        return nullptr;
    }
    if (!id.IsValid()) {
        id = ObjectId::NewId();
    } else if (myElements.count(id) != 0) {
        return nullptr;
    }
    element->myId = id;
    element->myDocument = this;
    Element* raw = element.get();
    ListInTables(*raw);
    myElements.emplace(id, std::move(element));
    if (myOpenStep) {
        myOpenStep->createdIds.push_back(id);
    }
    return raw;
}

Element* Document::FindElement(ObjectId id) const
{
    auto it = myElements.find(id);
    return it == myElements.end() ? nullptr : it->second.get();
}

Element* Document::FindElement(const PickedId& picked, bool wholeElement) const
{
    const bool namesSubShape = picked.GetTopoShapeId() >= 0;
    if (namesSubShape && !wholeElement) {
        return nullptr;
    }
    return FindElement(picked.GetElementId());
}

bool Document::RemoveElement(ObjectId id)
{
    std::unique_ptr<Element> element = TakeElement(id);
    if (!element) {
        return false;
    }
    if (id == myActiveViewId) {
        myActiveViewId = ObjectId::InvalidId;
    }
    if (myOpenStep) {
        auto& created = myOpenStep->createdIds;
        auto it = std::find(created.begin(), created.end(), id);
        if (it != created.end()) {
            created.erase(it); // made and dropped in the same step: nothing to remember
        } else {
            myOpenStep->removedIds.push_back(id);
            myOpenStep->removed.push_back(std::move(element));
        }
    }
    return true;
}

std::vector<Element*> Document::GetElements() const
{
    std::vector<Element*> elements;
    elements.reserve(myElements.size());
    for (const auto& entry : myElements) {
        elements.push_back(entry.second.get());
    }
    std::sort(elements.begin(), elements.end(),
              [](const Element* a, const Element* b) { return a->GetId() < b->GetId(); });
    return elements;
}

ElementTable* Document::FindTable(const ClassId& classId) const
{
    auto it = myTables.find(classId);
    return it == myTables.end() ? nullptr : it->second.get();
}

std::string Document::GetUndoName() const
{
    return myUndoSteps.empty() ? std::string() : myUndoSteps.back()->name;
}

bool Document::Undo()
{
    if (myUndoSteps.empty() || myOpenStep) {
        return false;
    }
    std::unique_ptr<UndoStep> step = std::move(myUndoSteps.back());
    myUndoSteps.pop_back();
    for (ObjectId id : step->createdIds) {
        if (auto element = TakeElement(id)) {
            step->created.push_back(std::move(element));
        }
    }
    for (auto& element : step->removed) {
        PutElement(std::move(element));
    }
    step->removed.clear();
    myRedoSteps.push_back(std::move(step));
    return true;
}

bool Document::Redo()
{
    if (myRedoSteps.empty() || myOpenStep) {
        return false;
    }
    std::unique_ptr<UndoStep> step = std::move(myRedoSteps.back());
    myRedoSteps.pop_back();
    for (auto& element : step->created) {
        PutElement(std::move(element));
    }
    step->created.clear();
    for (ObjectId id : step->removedIds) {
        if (auto element = TakeElement(id)) {
            step->removed.push_back(std::move(element));
        }
    }
    myUndoSteps.push_back(std::move(step));
    return true;
}

bool Document::BeginTransaction(const std::string& name)
{
    if (!myTransactionEnabled || myOpenStep) {
        return false;
    }
    myOpenStep = std::make_unique<UndoStep>();
    myOpenStep->name = name;
    return true;
}

void Document::CommitTransaction(int action)
{
    if (!myOpenStep) {
        return;
    }
    myOpenStep->action = action;
    myUndoSteps.push_back(std::move(myOpenStep));
    // A new step makes the undone ones unreachable.
    myRedoSteps.clear();
}

void Document::AbortTransaction()
{
    std::unique_ptr<UndoStep> step = std::move(myOpenStep);
    if (!step) {
        return;
    }
    for (ObjectId id : step->createdIds) {
        TakeElement(id);
    }
    for (auto& element : step->removed) {
        PutElement(std::move(element));
    }
}

std::unique_ptr<Element> Document::TakeElement(ObjectId id)
{
    auto it = myElements.find(id);
    if (it == myElements.end()) {
        return nullptr;
    }
    std::unique_ptr<Element> element = std::move(it->second);
    myElements.erase(it);
    for (auto& table : myTables) {
        if (table.second->Accepts(*element)) {
            table.second->Remove(*element);
        }
    }
    return element;
}

void Document::PutElement(std::unique_ptr<Element>&& element)
{
    const ObjectId id = element->GetId();
    ListInTables(*element);
    myElements.emplace(id, std::move(element));
}

void Document::ListInTables(const Element& element)
{
    for (auto& table : myTables) {
        if (table.second->Accepts(element)) {
            table.second->Add(element);
        }
    }
}

void Document::RenameInTables(const Element& element, const std::string& formerName)
{
    for (auto& table : myTables) {
        if (table.second->Accepts(element)) {
            table.second->Rename(element, formerName);
        }
    }
}

} // namespace orvkit
