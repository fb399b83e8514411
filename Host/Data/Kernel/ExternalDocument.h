#pragma once

#include "Data/Kernel/EntityElement.h"

#include <memory>
#include <string>

namespace orvkit {

class Document;

// A document placed inside another: the element shares ownership of the sub-document, which
// lives as long as some element (or the document manager) holds it.
class ExternalDocument : public EntityElement {
public:
    // A new external-document element owned by `document`; never null.
    static ExternalDocument* Create(Document* document);
    const char* GetClassName() const override { return "ExternalDocument"; }

    // The key under which the sub-document is known (its file name, say).
    const std::string& GetDocumentId() const { return myDocumentId; }
    bool SetDocumentId(const std::string& documentId);
    const std::shared_ptr<Document>& GetSubDocument() const { return mySubDocument; }
    bool SetSubDocument(const std::shared_ptr<Document>& subDocument);

private:
    std::string myDocumentId;
    std::shared_ptr<Document> mySubDocument;
};

} // namespace orvkit
