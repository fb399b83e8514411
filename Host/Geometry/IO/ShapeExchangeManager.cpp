#include "ShapeExchangeManager.h"

#include "Common/Core/StringUtil.h"
#include "Geometry/IO/BrepShapeReader.h"
#include "Geometry/IO/CafShapeWriter.h"
#include "Geometry/IO/GltfShapeReader.h"
#include "Geometry/IO/IgesShapeReader.h"
#include "Geometry/IO/IgesShapeWriter.h"
#include "Geometry/IO/ObjShapeReader.h"
#include "Geometry/IO/StepShapeReader.h"
#include "Geometry/IO/StepShapeWriter.h"
#include "Geometry/IO/StlShapeReader.h"

#include <algorithm>
#include <mutex>

namespace orvkit {

namespace {

// One entry per format: display name -> "*.ext1 *.ext2".
template <class Format>
void ListFormats(const std::vector<std::unique_ptr<Format>>& registered,
                 std::unordered_map<std::string, std::string>& formats)
{
    for (const auto& format : registered) {
        std::string patterns;
        for (const std::string& extension : format->GetExtensions()) {
            patterns += (patterns.empty() ? "*" : " *") + extension;
        }
        formats[format->GetFormatName()] = patterns;
    }
}

// The newest format that takes the extension, so that a later one wins; null when none does.
template <class Format>
const Format* FindFormat(const std::vector<std::unique_ptr<Format>>& registered,
                         const std::string& extension)
{
    const std::string wanted = StringUtil::ToLower(extension);
    for (auto it = registered.rbegin(); it != registered.rend(); ++it) {
        const std::vector<std::string> extensions = (*it)->GetExtensions();
        if (std::find(extensions.begin(), extensions.end(), wanted) != extensions.end()) {
            return it->get();
        }
    }
    return nullptr;
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
    AddWriter(std::make_unique<StepShapeWriter>());
    AddWriter(std::make_unique<IgesShapeWriter>());
    AddWriter(std::make_unique<CafShapeWriter>(
        "BREP Files", std::vector<ModelFormat::EnumId>{ModelFormat::BREP}));
    AddWriter(std::make_unique<CafShapeWriter>("STL Files",
                                               std::vector<ModelFormat::EnumId>{ModelFormat::STL}));
    AddWriter(std::make_unique<CafShapeWriter>("OBJ Files",
                                               std::vector<ModelFormat::EnumId>{ModelFormat::OBJ}));
    AddWriter(std::make_unique<CafShapeWriter>(
        "glTF Files", std::vector<ModelFormat::EnumId>{ModelFormat::GLTF, ModelFormat::GLB}));
}

void ShapeExchangeManager::ListReaderFormats(
    std::unordered_map<std::string, std::string>& formats) const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    ListFormats(myReaders, formats);
}

const ShapeReader* ShapeExchangeManager::FindReader(const std::string& extension) const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    return FindFormat(myReaders, extension);
}

void ShapeExchangeManager::AddReader(std::unique_ptr<ShapeReader>&& reader)
{
    if (reader) {
        const std::unique_lock<std::shared_mutex> lock(myMutex);
        myReaders.push_back(std::move(reader));
    }
}

void ShapeExchangeManager::ListWriterFormats(
    std::unordered_map<std::string, std::string>& formats) const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    ListFormats(myWriters, formats);
}

const ShapeWriter* ShapeExchangeManager::FindWriter(const std::string& extension) const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    return FindFormat(myWriters, extension);
}

void ShapeExchangeManager::AddWriter(std::unique_ptr<ShapeWriter>&& writer)
{
    if (writer) {
        const std::unique_lock<std::shared_mutex> lock(myMutex);
        myWriters.push_back(std::move(writer));
    }
}

void ShapeExchangeManager::SetPostprocess(std::unique_ptr<ShapeReaderPostprocess>&& postprocess)
{
    std::shared_ptr<ShapeReaderPostprocess> replaced(std::move(postprocess));
    {
        const std::unique_lock<std::shared_mutex> lock(myMutex);
        myPostprocess.swap(replaced);
    }
    // The earlier one goes here, outside the lock, unless a read still holds a share of it.
}

ShapeReaderPostprocess* ShapeExchangeManager::GetPostprocess() const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    return myPostprocess.get();
}

std::shared_ptr<ShapeReaderPostprocess> ShapeExchangeManager::GetSharedPostprocess() const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    return myPostprocess;
}

} // namespace orvkit
