#pragma once

#include <memory>
#include <string>
#include <vector>

namespace orvkit {

// Reads a scene file format into the scene graph.
class SceneReader {
public:
    virtual ~SceneReader() = default;
    // File-dialog filter of the format ("*.wrl").
    virtual std::string GetFilter() const = 0;
    // Extension the reader takes, without its dot ("wrl").
    virtual std::string GetExtension() const = 0;
};

// The process-wide registry of scene readers. It shares ownership of what it holds.
class SceneExchangeManager {
public:
    static SceneExchangeManager& Instance();

    void AddReader(const std::shared_ptr<SceneReader>& reader);
    const std::vector<std::shared_ptr<SceneReader>>& GetReaders() const { return myReaders; }

private:
    SceneExchangeManager() = default;

    std::vector<std::shared_ptr<SceneReader>> myReaders;
};

} // namespace orvkit
