#include "verbs/Verbs.h"

#include "ModelCheck.h"

#include <CLI/CLI.hpp>

#include <memory>

namespace orvex::cli {

Verb AddCheckVerb(CLI::App& app)
{
    const auto options = std::make_shared<CheckOptions>();
    CLI::App* verb = app.add_subcommand(
        "check", "Compare the validation properties a file declares (volume, area, centroid of "
                 "each part) with its geometry; exit 0 when they agree, 1 when not, 2 when the "
                 "file cannot be read");
    verb->add_option("FILE", options->file, "Any model file the program reads")->required();
    verb->add_flag("--json", options->json, "Print one JSON document instead");
    return {verb, [options](const RunLimits&) { return RunCheck(*options); },
            [options] { return options->file; }};
}

} // namespace orvex::cli
