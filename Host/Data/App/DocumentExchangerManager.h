#pragma once

#include "Data/App/DocumentExchanger.h"

#include <memory>
#include <shared_mutex>
#include <string>
#include <utility>
#include <vector>

namespace orvkit {

class Document;

// The process-wide registry of document exchangers, by key. It owns what it holds. Every
// function may be called from any thread; exchangers are never removed, so the pointers Find
// and FindByExtension give stay valid. Loads run without the registry's lock.
class DocumentExchangerManager {
public:
    static DocumentExchangerManager& Instance();

    // Files the exchanger under the key; false (and the exchanger destroyed) when the key is
    // taken or the exchanger is null.
    bool Add(const std::string& key, std::unique_ptr<DocumentExchanger>&& exchanger);
    DocumentExchanger* Find(const std::string& key) const;
    // The first exchanger, in key order, that takes the file's extension; null when none does.
    DocumentExchanger* FindByExtension(const std::string& extension) const;
    // Loads the file into the document through the exchanger for its extension. False when
    // no exchanger takes the extension or the exchanger fails.
    bool LoadFile(Document* document, const std::string& fileName) const;
    std::vector<std::string> GetKeys() const;

private:
    DocumentExchangerManager() = default;
    // Find without taking the lock, for a caller that holds it.
    DocumentExchanger* FindLocked(const std::string& key) const;

    // Shared by the lookups, exclusive for Add.
    mutable std::shared_mutex myMutex;
    std::vector<std::pair<std::string, std::unique_ptr<DocumentExchanger>>> myExchangers;
};

} // namespace orvkit
