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

struct ExportOptions {
    std::string input;
    std::string output;
    std::string from; // axis convention: 0, 1, 2 or x-up, y-up, z-up; empty: z-up
    std::string to;
    std::string select; // name of the element to export; empty: everything shown
};
// Imports the input with "AdvImport" and writes it with "ExportModel"; exit code 0 only when
// the output was written.
int RunExport(const ExportOptions& options);

struct SplitOptions {
    std::string input;
    std::string folder;
    std::string assembly; // name of the assembly; empty: the file's top-level one
};
// Imports the input with "AdvImport" (assemblies kept) and writes each child of the assembly
// to its own STEP file with "ExportAssemblyChildren"; lists the files written.
int RunSplit(const SplitOptions& options);

// Lists the registered commands with their codes and paths.
int ListCommands(bool json);

} // namespace orvex::cli
