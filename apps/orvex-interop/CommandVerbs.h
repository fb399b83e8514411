#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvex::cli {

// The verbs that reach the plugin through the command registry. Each returns the program's
// exit code: 0, or 1 after one error line on standard error.

struct RunOptions {
    std::string command;
    std::vector<std::string> answers;  // for the command's dialogs, in order
    std::vector<std::string> settings; // KEY=VALUE
    bool batch = false;
    bool json = false;
};
// Runs any registered command on a new document and prints the document.
int RunCommand(const RunOptions& options);

struct ReadOptions {
    std::string file;
    std::optional<double> edgeLength;     // small-edge repair
    std::optional<double> solidTolerance; // solid-making
    bool batch = false;
    bool json = false;
};
// Sets the import preferences, runs "Import" on the file and prints the document.
int RunRead(const ReadOptions& options);

struct ImportPartOptions {
    std::string file;
    std::string docType; // empty: the command's default
    bool json = false;
};
// Runs "ImportAsPart" on the file and prints the document with its sub-document.
int RunImportPart(const ImportPartOptions& options);

// Lists the registered commands with their codes and paths.
int ListCommands(bool json);

} // namespace orvex::cli
