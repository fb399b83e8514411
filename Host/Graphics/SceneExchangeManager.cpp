#include "SceneExchangeManager.h"

#include "Common/Core/LoadFailure.h"
#include "Common/Core/PathUtil.h"
#include "Graphics/SceneNode.h"

#include <mutex>

namespace orvkit {

SceneExchangeManager& SceneExchangeManager::Instance()
{
    static SceneExchangeManager instance;
    return instance;
}

void SceneExchangeManager::AddReader(const std::shared_ptr<SceneReader>& reader)
{
    if (reader) {
        const std::unique_lock<std::shared_mutex> lock(myMutex);
        myReaders.push_back(reader);
    }
}

std::vector<std::shared_ptr<SceneReader>> SceneExchangeManager::GetReaders() const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    return myReaders;
}

std::unordered_map<std::string, std::string> SceneExchangeManager::GetFilters() const
{
    std::unordered_map<std::string, std::string> filters;
    for (const auto& reader : GetReaders()) {
        reader->GetFilters(filters);
    }
    return filters;
}

SceneReader* SceneExchangeManager::FindReader(const std::string& extension) const
{
    for (const auto& reader : GetReaders()) {
        if (reader->IsSupported(extension)) {
            return reader.get();
        }
    }
    return nullptr;
}

std::shared_ptr<SceneNode> SceneExchangeManager::Load(const std::string& fileName) const
{
    LoadFailure::Clear();
    const std::string extension = PathUtil::Extension(fileName);
    if (SceneReader* reader = FindReader(extension)) {
        return reader->Load(fileName);
    }
    std::string expected;
    for (const auto& [key, pattern] : GetFilters()) {
        expected += (expected.empty() ? "" : ", ") + pattern;
    }
    LoadFailure::Record(
        {LoadFailureUnknownExtension,
         {},
         "'" + extension + "' (no scene reader takes it; expected " + expected + ")"});
    return nullptr;
}

} // namespace orvkit
