#pragma once

#include "Data/Kernel/Element.h"
#include "Data/Kernel/ElementTable.h"
#include "Data/Kernel/PickedId.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvkit {

// Text encoding of names the document receives: 0 local multibyte, 1 UTF-8.
enum EnumTextEncoding { TextEncodingLocal = 0, TextEncodingUtf8 = 1 };

// A framework document: owns its elements, lists some kinds of them in tables (a new document
// has a line-style table), knows its active view and keeps an undo stack of committed
// transactions. A committed step can be undone and redone: the elements it created
// are taken out and put back, the elements it removed are put back and taken out again.
class Document {
public:
    Document();
    virtual ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Makes the document ready for use: creates its active view of the named kind ("3D" or
    // "2D") and returns the view's id.
    ObjectId Initialize(const std::string& viewType);
    ObjectId GetActiveDbViewId() const { return myActiveViewId; }
    // The part new elements go into; InvalidId (the default) when there is none.
    ObjectId GetActivePartId() const { return myActivePartId; }
    void SetActivePartId(ObjectId partId) { myActivePartId = partId; }
    // The assembly being edited; InvalidId (the default) when there is none.
    ObjectId GetActiveAssemblyId() const { return myActiveAssemblyId; }
    void SetActiveAssemblyId(ObjectId assemblyId) { myActiveAssemblyId = assemblyId; }

    // The name the application shows (a file name, say) and the document type, e.g. "ORVX".
    const std::string& GetName() const { return myName; }
    void SetName(const std::string& name) { myName = name; }
    const std::string& GetDocType() const { return myDocType; }
    void SetDocType(const std::string& docType) { myDocType = docType; }

    // What the user has picked, in picking order.
    const std::vector<PickedId>& GetSelection() const { return mySelection; }
    void SetSelection(std::vector<PickedId> selection) { mySelection = std::move(selection); }

    // Takes ownership of `element` under `id` (InvalidId: a fresh id). Returns the element, or
    // null when the pointer is empty or the id is taken.
    Element* NewElement(std::unique_ptr<Element>&& element, ObjectId id);
    // A new, default-made T owned by the document under a fresh id; never null. The element
    // classes' Create functions come here.
    template <class T> T* NewElementOf()
    {
        return static_cast<T*>(NewElement(std::make_unique<T>(), ObjectId::InvalidId));
    }
    // The element under the id, or null.
    Element* FindElement(ObjectId id) const;
    // The element under the id when it is a T, else null.
    template <class T> T* FindElementAs(ObjectId id) const
    {
        return dynamic_cast<T*>(FindElement(id));
    }
    // The element a pick names. A pick of a sub-shape (a face of a shape element, say) gives
    // its element when `wholeElement` is true, and null when false; a pick of a whole element
    // gives it either way. Null when the element is absent.
    Element* FindElement(const PickedId& picked, bool wholeElement) const;
    // Removes and destroys the element (kept for undo inside a transaction).
    bool RemoveElement(ObjectId id);
    size_t GetElementCount() const { return myElements.size(); }
    // All elements in id order (creation order).
    std::vector<Element*> GetElements() const;
    // The table of the elements of a class (LineStyleElement::GetStaticClassId()), or null.
    ElementTable* FindTable(const ClassId& classId) const;

    int GetTextEncoding() const { return myTextEncoding; }
    void SetTextEncoding(int encoding) { myTextEncoding = encoding; }

    // With transactions disabled nothing is recorded for undo.
    void EnableTransaction(bool enable) { myTransactionEnabled = enable; }
    bool IsTransactionEnabled() const { return myTransactionEnabled; }

    bool CanUndo() const { return !myUndoSteps.empty(); }
    bool CanRedo() const { return !myRedoSteps.empty(); }
    // Name of the step Undo would revert; empty when there is none.
    std::string GetUndoName() const;
    size_t GetUndoCount() const { return myUndoSteps.size(); }
    bool Undo();
    bool Redo();

private:
    friend class Element;
    friend class UndoTransaction;
    struct UndoStep;

    // Transaction plumbing for UndoTransaction. Begin returns false when transactions are
    // disabled or one is already open.
    bool BeginTransaction(const std::string& name);
    void CommitTransaction(int action);
    void AbortTransaction();

    std::unique_ptr<Element> TakeElement(ObjectId id);
    void PutElement(std::unique_ptr<Element>&& element);
    void ListInTables(const Element& element);
    void RenameInTables(const Element& element, const std::string& formerName);

    // Looked up once or more per element an import makes; kept unordered for constant time.
    std::unordered_map<ObjectId, std::unique_ptr<Element>> myElements;
    std::map<ClassId, std::unique_ptr<ElementTable>> myTables;
    ObjectId myActiveViewId;
    ObjectId myActivePartId;
    ObjectId myActiveAssemblyId;
    std::string myName;
    std::string myDocType;
    std::vector<PickedId> mySelection;
    int myTextEncoding = TextEncodingUtf8;
    bool myTransactionEnabled = true;
    std::unique_ptr<UndoStep> myOpenStep;
    std::vector<std::unique_ptr<UndoStep>> myUndoSteps;
    std::vector<std::unique_ptr<UndoStep>> myRedoSteps;
};

} // namespace orvkit
