#include "SceneExchangeManager.h"

namespace orvkit {

SceneExchangeManager& SceneExchangeManager::Instance()
{
    static SceneExchangeManager instance;
    return instance;
}

void SceneExchangeManager::AddReader(const std::shared_ptr<SceneReader>& reader)
{
    if (reader) {
        myReaders.push_back(reader);
    }
}

} // namespace orvkit
