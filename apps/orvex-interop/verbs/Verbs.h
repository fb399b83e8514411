#pragma once

#include "verbs/Verb.h"

#include <vector>

namespace orvex::cli {

// The program on its command line, after the plugin's registration: parses it, runs the verb
// and returns the exit code. Also what a file's child of `convert` runs, in a copy of the
// process.
int RunProgram(int argc, char** argv);

// Adds every verb to the program's app, in the order `--help` lists them, and returns them.
std::vector<Verb> AddVerbs(CLI::App& app);

// Each adds its verb to the program's app and returns it.
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
