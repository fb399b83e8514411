#pragma once

#include "Common/Core/ObjectId.h"

#include <string>

namespace orvkit {

class Document;

// Identifies a class of element, for lookups such as a document's table of that class.
using ClassId = std::string;

// Base of everything a document holds. An element belongs to its document from the moment it
// is handed over (X::Create or Document::NewElement); setters return true when they stored
// the value.
class Element {
public:
    Element() = default;
    virtual ~Element() = default;
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    // The class name shown to people and used in printed trees ("ShapeElement").
    virtual const char* GetClassName() const = 0;

    ObjectId GetId() const { return myId; }
    Document* GetDocument() const { return myDocument; }

    const std::string& GetName() const { return myName; }
    bool SetName(const std::string& name);
    const std::string& GetCategory() const { return myCategory; }
    bool SetCategory(const std::string& category);
    const std::string& GetSchemaName() const { return mySchemaName; }
    bool SetSchemaName(const std::string& schemaName);
    ObjectId GetParentId() const { return myParentId; }
    bool SetParentId(ObjectId parentId);
    ObjectId GetPartId() const { return myPartId; }
    bool SetPartId(ObjectId partId);

private:
    friend class Document;

    ObjectId myId;
    Document* myDocument = nullptr;
    std::string myName;
    std::string myCategory;
    std::string mySchemaName;
    ObjectId myParentId;
    ObjectId myPartId;
};

} // namespace orvkit
