#include "PageReader.h"

#include "CommandSession.h"
#include "FileDiagnosis.h"

#include "Common/Core/LoadFailure.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/PathUtil.h"
#include "Geometry/IO/ModelFormat.h"
#include "Graphics/SceneExchangeManager.h"
#include "Graphics/SceneNode.h"
#include "InteropKeys.h"
#include "Xde2Doc.h"

namespace orvex::cli {

using namespace orvkit;

std::unique_ptr<ViewPage> ReadPage(const std::string& file)
{
    const std::string extension = PathUtil::Extension(file);
    const ModelFormat* format = ModelFormat::ForExactExtension(extension);
    if (format != nullptr && format->kind == ModelFormat::KindCad) {
        Xde2Doc converter;
        if (!converter.Load(file)) {
            PrintError(file, converter.GetLastFailure());
            return nullptr;
        }
        converter.Transfer();
        return std::make_unique<ViewPage>(*converter.GetDocument(), file);
    }
    if (SceneExchangeManager::Instance().FindReader(extension) != nullptr) {
        const std::shared_ptr<SceneNode> root = SceneExchangeManager::Instance().Load(file);
        if (!root) {
            PrintError(file, LoadFailure::Last());
            return nullptr;
        }
        return std::make_unique<ViewPage>(*root, file);
    }
    CommandSession session;
    ParameterDict parameters;
    if (!session.Run(InteropKeys::ImportCommand, {file}, parameters, false, parameters)) {
        return nullptr;
    }
    return std::make_unique<ViewPage>(session.GetDocument(), file);
}

} // namespace orvex::cli
