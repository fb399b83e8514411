#include "ExternalDocument.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

ExternalDocument* ExternalDocument::Create(Document* document)
{
    return document->NewElementOf<ExternalDocument>();
}

bool ExternalDocument::SetDocumentId(const std::string& documentId)
{
    myDocumentId = documentId;
    return true;
}

bool ExternalDocument::SetSubDocument(const std::shared_ptr<Document>& subDocument)
{
    mySubDocument = subDocument;
    return true;
}

} // namespace orvkit
