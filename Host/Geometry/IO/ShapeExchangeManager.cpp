#include "ShapeExchangeManager.h"

#include "Geometry/IO/CadShapeReaders.h"
#include "Geometry/IO/MeshShapeReaders.h"

#include <algorithm>
#include <cctype>

namespace orvkit {

namespace {

std::string ToLower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

ShapeExchangeManager& ShapeExchangeManager::Instance()
{
    static ShapeExchangeManager instance;
    return instance;
}

ShapeExchangeManager::ShapeExchangeManager()
{
    AddReader(std::make_unique<StepShapeReader>());
    AddReader(std::make_unique<IgesShapeReader>());
    AddReader(std::make_unique<BrepShapeReader>());
    AddReader(std::make_unique<StlShapeReader>());
    AddReader(std::make_unique<ObjShapeReader>());
    AddReader(std::make_unique<GltfShapeReader>());
}

void ShapeExchangeManager::ListReaderFormats(
    std::unordered_map<std::string, std::string>& formats) const
{
    for (const auto& reader : myReaders) {
        std::string patterns;
        for (const std::string& extension : reader->GetExtensions()) {
            patterns += (patterns.empty() ? "*" : " *") + extension;
        }
        formats[reader->GetFormatName()] = patterns;
    }
}

const ShapeReader* ShapeExchangeManager::FindReader(const std::string& extension) const
{
    const std::string wanted = ToLower(extension);
    // Newest first, so that a later reader wins.
    for (auto it = myReaders.rbegin(); it != myReaders.rend(); ++it) {
        const std::vector<std::string> extensions = (*it)->GetExtensions();
        if (std::find(extensions.begin(), extensions.end(), wanted) != extensions.end()) {
            return it->get();
        }
    }
    return nullptr;
}

void ShapeExchangeManager::AddReader(std::unique_ptr<ShapeReader>&& reader)
{
    if (reader) {
        myReaders.push_back(std::move(reader));
    }
}

void ShapeExchangeManager::SetPostprocess(std::unique_ptr<ShapeReaderPostprocess>&& postprocess)
{
    myPostprocess = std::move(postprocess);
}

} // namespace orvkit
