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
    // Made and set up before the lock: nobody else sees it yet.
    auto document = std::make_shared<Document>();
    document->Initialize("3D");
    document->SetName(name);
    document->SetDocType(type);
    const std::lock_guard<std::mutex> lock(myMutex);
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
    const std::lock_guard<std::mutex> lock(myMutex);
    if (FindLocked(document.get()) == myDocuments.end()) {
        myDocuments.push_back(document);
    }
    myActive = document.get();
}

bool DocumentManager::CloseDocument(Document* document)
{
    std::shared_ptr<Document> closed;
    {
        const std::lock_guard<std::mutex> lock(myMutex);
        const auto it = FindLocked(document);
        if (it == myDocuments.end()) {
            return false;
        }
        closed = *it;
        myDocuments.erase(it);
        if (myActive == document) {
            myActive = myDocuments.empty() ? nullptr : myDocuments.back().get();
        }
    }
    // Destroyed here, outside the lock, unless someone still holds a share of it.
    return true;
}

Document* DocumentManager::GetActiveDocument() const
{
    const std::lock_guard<std::mutex> lock(myMutex);
    return myActive;
}

std::shared_ptr<Document> DocumentManager::GetActiveDocumentShared() const
{
    const std::lock_guard<std::mutex> lock(myMutex);
    const auto it = FindLocked(myActive);
    return it == myDocuments.end() ? nullptr : *it;
}

bool DocumentManager::SetActiveDocument(Document* document)
{
    const std::lock_guard<std::mutex> lock(myMutex);
    if (FindLocked(document) == myDocuments.end()) {
        return false;
    }
    myActive = document;
    return true;
}

std::vector<std::shared_ptr<Document>> DocumentManager::GetDocuments() const
{
    const std::lock_guard<std::mutex> lock(myMutex);
    return myDocuments;
}

std::vector<std::shared_ptr<Document>>::const_iterator
DocumentManager::FindLocked(const Document* document) const
{
    return std::find_if(myDocuments.begin(), myDocuments.end(),
                        [&](const auto& d) { return d.get() == document; });
}

} // namespace orvkit
