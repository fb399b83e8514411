#pragma once

#include "Data/Kernel/Document.h"

#include <memory>
#include <vector>

namespace orvkit {

// The process-wide list of open documents and which one is active.
class DocumentManager {
public:
    static DocumentManager& Instance();

    // A new, initialised 3D document, made active.
    std::shared_ptr<Document> NewDocument();
    // A new, initialised 3D document of that name and type ("ORVX", ...), listed among the
    // open documents; it becomes the active one only when no document is active. Names
    // already in use are allowed; documents are told apart by identity, not by name.
    std::shared_ptr<Document> CreateDocument(const std::string& name, const std::string& type);
    // Adds a document made elsewhere and makes it active.
    void AddDocument(const std::shared_ptr<Document>& document);
    bool CloseDocument(Document* document);
    Document* GetActiveDocument() const { return myActive; }
    bool SetActiveDocument(Document* document);
    const std::vector<std::shared_ptr<Document>>& GetDocuments() const { return myDocuments; }

private:
    DocumentManager() = default;

    std::vector<std::shared_ptr<Document>> myDocuments;
    Document* myActive = nullptr;
};

} // namespace orvkit
