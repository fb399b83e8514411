#include "verbs/CommandRun.h"
#include "verbs/Verbs.h"

#include "Common/Core/ParameterDict.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "InteropKeys.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <vector>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct ReadArguments {
    std::string file;
    std::optional<double> edgeLength;     // small-edge repair
    std::optional<double> solidTolerance; // solid-making
    bool batch = false;
    bool json = false;
};

// Runs "Import" on the file and prints the document. The repairs go to the command as
// parameters: the batch form reads them, and the interactive form's settings dialog takes them
// as the user's answers. Either way they hold for this read alone.
int RunRead(const ReadArguments& options)
{
    ParameterDict parameters;
    if (options.edgeLength) {
        parameters.Add(ImportSettingsModel::FixEdgesKey, ParameterCreator::Create(true));
        parameters.Add(ImportSettingsModel::EdgeLengthKey,
                       ParameterCreator::Create(*options.edgeLength));
    }
    if (options.solidTolerance) {
        parameters.Add(ImportSettingsModel::FixSolidKey, ParameterCreator::Create(true));
        parameters.Add(ImportSettingsModel::MakeSolidTolKey,
                       ParameterCreator::Create(*options.solidTolerance));
    }
    std::vector<std::string> answers;
    if (options.batch) {
        parameters.Add(InteropKeys::FilePath, ParameterCreator::Create(options.file));
    } else {
        answers.push_back(options.file);
    }
    return RunOnNewDocument(InteropKeys::ImportCommand, answers, parameters, options.batch,
                            options.json, options.file);
}

} // namespace

Verb AddReadVerb(CLI::App& app)
{
    const auto options = std::make_shared<ReadArguments>();
    CLI::App* verb = app.add_subcommand(
        "read", "Import any model file the shape reader knows (STEP, IGES, BREP, STL, OBJ, "
                "glTF) through the \"Import\" command, with optional repair");
    verb->add_option("FILE", options->file, "The model file")->required();
    verb->add_option("--fix-edges", options->edgeLength,
                     "Remove edges shorter than LENGTH (mm) after reading")
        ->check(CLI::PositiveNumber);
    verb->add_option("--make-solid", options->solidTolerance,
                     "Sew the faces within TOLERANCE (mm) and make a solid of them")
        ->check(CLI::PositiveNumber);
    verb->add_flag("--batch", options->batch,
                   "Run the batch form: one element, compounds not split");
    verb->add_flag("--json", options->json, "Print one JSON document instead of the tree");
    return {verb, [options](const RunLimits&) { return RunRead(*options); },
            [options] { return options->file; }};
}

} // namespace orvex::cli
