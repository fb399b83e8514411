// Load-time registration of the module's services with the host's registries. The rows run
// once, in this order, while the library is loaded; the registries own what they receive and
// the module keeps no pointer to any of it.
#include "RegisterInteropDataModule.h"

#include "Data/App/CommandManager.h"
#include "Data/App/DocumentExchanger.h"
#include "Data/App/DocumentExchangerManager.h"
#include "Geometry/Command/AExportCommand.h"
#include "Geometry/Command/AImportCommand.h"
#include "Geometry/Command/AShapeReaderPostprocessImpl.h"
#include "Geometry/Document/AXdeDocumentExchanger.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "Geometry/Scene/AReaderVRML.h"
#include "Graphics/SceneExchangeManager.h"

#include <memory>

namespace {

using namespace orvkit;

template <class T> void RegisterCommand()
{
    std::shared_ptr<Command> command = std::make_shared<T>();
    CommandManager::Instance().Register(command);
}

void RegisterPostprocess()
{
    std::unique_ptr<ShapeReaderPostprocess> postprocess(new ShapeReaderPostprocessImpl());
    ShapeExchangeManager::Instance().SetPostprocess(std::move(postprocess));
}

void RegisterDocumentExchanger()
{
    std::unique_ptr<DocumentExchanger> exchanger(new XdeDocumentExchanger());
    const std::string key = "XDE";
    // A key already taken keeps its exchanger; ours is then destroyed with the pointer.
    DocumentExchangerManager::Instance().Add(key, std::move(exchanger));
}

void RegisterSceneReader()
{
    std::shared_ptr<SceneReader> reader = std::make_shared<ReaderVRML>();
    SceneExchangeManager::Instance().AddReader(reader);
}

struct AModuleRegistration {
    AModuleRegistration()
    {
        RegisterCommand<ExportModelCommand>();
        RegisterCommand<ExportAssemblyChildrenCommand>();
        RegisterCommand<ImportCommand>();
        RegisterCommand<AdvImportCommand>();
        RegisterCommand<ImportAsPartCommand>();
        RegisterPostprocess();
        RegisterDocumentExchanger();
        RegisterSceneReader();
    }
};

const AModuleRegistration theRegistration;

} // namespace

void RegisterInteropDataModule() {}
