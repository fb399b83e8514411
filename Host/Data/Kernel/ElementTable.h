#pragma once

#include "Data/Kernel/Element.h"

#include <set>
#include <string>
#include <unordered_map>

namespace orvkit {

// A named collection of one kind of element of a document (its line styles, say). The table
// lists elements the document owns; the document keeps it current as elements come, go (undo
// and redo included) and are renamed, so a lookup by name costs the same however many
// elements the table lists.
class ElementTable {
public:
    explicit ElementTable(Document* document) : myDocument(document) {}
    virtual ~ElementTable() = default;
    ElementTable(const ElementTable&) = delete;
    ElementTable& operator=(const ElementTable&) = delete;

    // Whether the table lists elements of this kind.
    virtual bool Accepts(const Element& element) const = 0;

    // The listed element with exactly this name (case and spaces count), or null. Two elements
    // of one name give the older one.
    Element* FindByName(const std::string& name) const;
    // Ids of the listed elements, in creation order.
    const std::set<ObjectId>& GetIds() const { return myIds; }

private:
    friend class Document;

    void Add(const Element& element);
    void Remove(const Element& element);
    void Rename(const Element& element, const std::string& formerName);

    Document* myDocument;
    std::set<ObjectId> myIds;
    std::unordered_map<std::string, std::set<ObjectId>> myIdsByName;
};

// The table of the elements of class T.
template <class T> class ElementTableT : public ElementTable {
public:
    using ElementTable::ElementTable;
    bool Accepts(const Element& element) const override
    {
        return dynamic_cast<const T*>(&element) != nullptr;
    }
};

} // namespace orvkit
