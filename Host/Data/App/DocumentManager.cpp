#include "DocumentManager.h"

#include <algorithm>

namespace orvkit {

DocumentManager& DocumentManager::Instance()
{
    static DocumentManager instance;
    return instance;
}

std::shared_ptr<Document> DocumentManager::NewDocument()
{
    auto document = std::make_shared<Document>();
    document->Initialize("3D");
    AddDocument(document);
    return document;
}

std::shared_ptr<Document> DocumentManager::CreateDocument(const std::string& name,
                                                          const std::string& type)
{
    auto document = std::make_shared<Document>();
    document->Initialize("3D");
    document->SetName(name);
    document->SetDocType(type);
    myDocuments.push_back(document);
    if (myActive == nullptr) {
        myActive = document.get();
    }
    return document;
}

void DocumentManager::AddDocument(const std::shared_ptr<Document>& document)
{
    if (!document) {
        return;
    }
    if (std::find(myDocuments.begin(), myDocuments.end(), document) == myDocuments.end()) {
        myDocuments.push_back(document);
    }
    myActive = document.get();
}

bool DocumentManager::CloseDocument(Document* document)
{
    auto it = std::find_if(myDocuments.begin(), myDocuments.end(),
                           [&](const auto& d) { return d.get() == document; });
    if (it == myDocuments.end()) {
        return false;
    }
    myDocuments.erase(it);
    if (myActive == document) {
        myActive = myDocuments.empty() ? nullptr : myDocuments.back().get();
    }
    return true;
}

bool DocumentManager::SetActiveDocument(Document* document)
{
    auto it = std::find_if(myDocuments.begin(), myDocuments.end(),
                           [&](const auto& d) { return d.get() == document; });
    if (it == myDocuments.end()) {
        return false;
    }
    myActive = document;
    return true;
}

} // namespace orvkit
