#include "DocumentExchangerManager.h"

#include "Common/Core/PathUtil.h"

#include <algorithm>
#include <mutex>

namespace orvkit {

DocumentExchangerManager& DocumentExchangerManager::Instance()
{
    static DocumentExchangerManager instance;
    return instance;
}

bool DocumentExchangerManager::Add(const std::string& key,
                                   std::unique_ptr<DocumentExchanger>&& exchanger)
{
    if (!exchanger) {
        return false;
    }
    const std::unique_lock<std::shared_mutex> lock(myMutex);
    if (FindLocked(key) != nullptr) {
        return false;
    }
    myExchangers.emplace_back(key, std::move(exchanger));
    std::sort(myExchangers.begin(), myExchangers.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

DocumentExchanger* DocumentExchangerManager::Find(const std::string& key) const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    return FindLocked(key);
}

DocumentExchanger* DocumentExchangerManager::FindLocked(const std::string& key) const
{
    for (const auto& entry : myExchangers) {
        if (entry.first == key) {
            return entry.second.get();
        }
    }
    return nullptr;
}

DocumentExchanger* DocumentExchangerManager::FindByExtension(const std::string& extension) const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    for (const auto& entry : myExchangers) {
        if (entry.second->IsSupported(extension)) {
            return entry.second.get();
        }
    }
    return nullptr;
}

bool DocumentExchangerManager::LoadFile(Document* document, const std::string& fileName) const
{
    DocumentExchanger* exchanger = FindByExtension(PathUtil::Extension(fileName));
    return exchanger != nullptr && exchanger->LoadFile(document, fileName);
}

std::vector<std::string> DocumentExchangerManager::GetKeys() const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    std::vector<std::string> keys;
    for (const auto& entry : myExchangers) {
        keys.push_back(entry.first);
    }
    return keys;
}

} // namespace orvkit
