#include "verbs/Verbs.h"

#include "FileDiagnosis.h"
#include "PrintFormat.h"
#include "ScenePrinter.h"

#include "Common/Core/LoadFailure.h"
#include "Graphics/SceneExchangeManager.h"
#include "Graphics/SceneNode.h"

#include <CLI/CLI.hpp>

#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct SceneOptions {
    std::string file;
    bool json = false;
};

// Loads the file through the scene reader registry, the way the application loads a scene.
int RunScene(const SceneOptions& options)
{
    const std::shared_ptr<SceneNode> root = SceneExchangeManager::Instance().Load(options.file);
    if (!root) {
        PrintError(options.file, LoadFailure::Last());
        return 1;
    }
    const ScenePrinter printer(*root);
    Print(printer, options.file, options.json);
    return 0;
}

} // namespace

Verb AddSceneVerb(CLI::App& app)
{
    const auto options = std::make_shared<SceneOptions>();
    CLI::App* verb = app.add_subcommand(
        "scene", "Load a VRML scene through the registered scene readers and print its node tree");
    verb->add_option("FILE", options->file, "A .wrl file")->required();
    verb->add_flag("--json", options->json, "Print one JSON document instead of the tree");
    return {verb, [options](const RunLimits&) { return RunScene(*options); },
            [options] { return options->file; }};
}

} // namespace orvex::cli
