#pragma once

#include "Data/Kernel/Document.h"

#include <memory>
#include <mutex>
#include <vector>

namespace orvkit {

// The process-wide list of open documents and which one is active. Every function may be
// called from any thread. The list itself is guarded, the documents are not: a document is
// used by one thread at a time, and a thread that keeps a document while another may close it
// keeps a share of it (GetDocuments, GetActiveDocumentShared) rather than a plain pointer.
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
    // Takes the document off the list; false when it is not open. The active document
    // becomes the last one opened.
    bool CloseDocument(Document* document);
    // The active document, or null; valid until it is closed.
    Document* GetActiveDocument() const;
    // The active document as a share that outlives its closing, or null.
    std::shared_ptr<Document> GetActiveDocumentShared() const;
    // Makes an open document the active one; false when it is not open.
    bool SetActiveDocument(Document* document);
    // The open documents in the order they were opened, as a list of their own.
    std::vector<std::shared_ptr<Document>> GetDocuments() const;

private:
    DocumentManager() = default;
    // The position of the document in myDocuments, or end; called with myMutex held.
    std::vector<std::shared_ptr<Document>>::const_iterator
    FindLocked(const Document* document) const;

    mutable std::mutex myMutex;
    std::vector<std::shared_ptr<Document>> myDocuments;
    Document* myActive = nullptr;
};

} // namespace orvkit
