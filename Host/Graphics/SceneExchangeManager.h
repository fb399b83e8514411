#pragma once

// Whoever asks the registry for a reader works with the reader's interface.
#include "Graphics/SceneReader.h"

#include <memory>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvkit {

class SceneNode;

// The process-wide registry of scene readers. It shares ownership of what it holds. Every
// function may be called from any thread; readers are never removed, so the pointer FindReader
// gives stays valid. Loads run without the registry's lock, in the calling thread.
class SceneExchangeManager {
public:
    static SceneExchangeManager& Instance();

    // Adds a reader after the others; a null reader is ignored.
    void AddReader(const std::shared_ptr<SceneReader>& reader);
    // The readers in the order they were added, as a list of their own.
    std::vector<std::shared_ptr<SceneReader>> GetReaders() const;
    // The filters of all readers; where two readers use the same key, the later one's wins.
    std::unordered_map<std::string, std::string> GetFilters() const;
    // The first reader that takes the extension (with its dot); null when none does.
    SceneReader* FindReader(const std::string& extension) const;
    // Loads the file through the reader for its extension. Null when no reader takes the
    // extension or the reader fails; LoadFailure::Last() then says why, on the calling thread.
    std::shared_ptr<SceneNode> Load(const std::string& fileName) const;

private:
    SceneExchangeManager() = default;

    // Shared by the lookups, exclusive for AddReader.
    mutable std::shared_mutex myMutex;
    std::vector<std::shared_ptr<SceneReader>> myReaders;
};

} // namespace orvkit
