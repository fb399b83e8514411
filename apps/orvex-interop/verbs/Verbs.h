#pragma once

#include "verbs/Verb.h"

namespace orvex::cli {

// Each adds its verb to the program's app and returns it; main lists them in the order
// `--help` shows them.
Verb AddImportVerb(CLI::App& app);
Verb AddViewVerb(CLI::App& app);
Verb AddSnapshotVerb(CLI::App& app);
Verb AddXdeVerb(CLI::App& app);
Verb AddOpenVerb(CLI::App& app);
Verb AddLineTypesVerb(CLI::App& app);
Verb AddSceneVerb(CLI::App& app);
Verb AddRunVerb(CLI::App& app);
Verb AddReadVerb(CLI::App& app);
Verb AddImportPartVerb(CLI::App& app);
Verb AddExportVerb(CLI::App& app);
Verb AddSplitVerb(CLI::App& app);
Verb AddConvertVerb(CLI::App& app);
Verb AddCheckVerb(CLI::App& app);
Verb AddPmiVerb(CLI::App& app);
Verb AddCompareVerb(CLI::App& app);
Verb AddCommandsVerb(CLI::App& app);

} // namespace orvex::cli
