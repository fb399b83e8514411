#include "verbs/Verbs.h"
#include "verbs/WriteChoiceOptions.h"

#include "PrintFormat.h"
#include "ReportPrinter.h"

#include "orvex/Convert.h"

#include "Geometry/IO/ModelFormat.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <cstdio>
#include <iostream>
#include <memory>

#include <unistd.h>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct ConvertArguments {
    std::vector<std::string> files; // with those of the list file, when there is one
    std::string listFile;           // one path a line; "-": standard input; empty: none
    bool json = false;
    ConvertOptions options;
};

// "converted 3 of 8, 1 failed" on one line of a terminal's standard error while files convert.
void ShowProgress(size_t done, size_t failed, size_t total)
{
    std::string line = fmt::format("converted {} of {}", done, total);
    if (failed > 0) {
        line += fmt::format(", {} failed", failed);
    }
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
}

// A file's child: the program run again, in a copy of this process, on the arguments a child
// started afresh would be given.
int RunChild(const std::vector<std::string>& arguments)
{
    std::vector<std::string> words{"orvex-interop"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    return RunProgram(static_cast<int>(words.size()), argv.data());
}

// Checks the options (one error line and exit code 1 when they cannot run), converts, and
// prints a report on standard output, as text or one JSON document. Returns 1 when any file
// failed, 0 when all converted.
int RunConvert(ConvertArguments arguments)
{
    if (std::string error;
        !arguments.listFile.empty() && !ReadFileList(arguments.listFile, arguments.files, error)) {
        PrintFailure(error);
        return 1;
    }
    // The program converts each file with itself, in a copy of this process: this convert
    // runs on the guard's thread, and the guard's own thread only waits for it.
    arguments.options.program = "/proc/self/exe";
    arguments.options.runInProcess = RunChild;
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    if (terminal) {
        arguments.options.progress = ShowProgress;
    }
    const ConvertReport report = Convert(arguments.files, arguments.options);
    if (terminal && report.error.empty()) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
    if (!report.error.empty()) {
        PrintFailure(report.error);
        return 1;
    }
    if (arguments.json) {
        std::cout << JsonText(report.ToJson()) << "\n";
    } else {
        PrintConvert(std::cout, report);
    }
    return report.failed > 0 ? 1 : 0;
}

} // namespace

Verb AddConvertVerb(CLI::App& app)
{
    const auto arguments = std::make_shared<ConvertArguments>();
    CLI::App* verb = app.add_subcommand(
        "convert", "Convert model files with 'export', each in a process of its own so that a "
                   "file which crashes fails alone, and report how each went");
    verb->add_option("FILE", arguments->files, "The model files (any the program reads)");
    verb->add_option("--from-list", arguments->listFile,
                     "Also convert the files listed in LIST, one path a line ('-': standard "
                     "input), for more files than a command line holds")
        ->type_name("LIST");
    verb->add_option("--shard", arguments->options.shard,
                     "Convert only the K-th of N shards of the files, sorted by name (for N "
                     "machines, each given its K); the same files give the same shards")
        ->type_name("K/N");
    verb->add_option("--format", arguments->options.format,
                     "Format to write: " + ModelFormat::WritableNames())
        ->type_name("FORMAT")
        ->required();
    verb->add_option("--out", arguments->options.out,
                     "The folder (made if missing); each FILE is written to it as "
                     "<name without extension>.<format>")
        ->type_name("FOLDER")
        ->required();
    verb->add_option("--jobs", arguments->options.jobs,
                     "Files converted at a time (default: one per processor core)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    AddWriteChoices(*verb, arguments->options.write);
    verb->add_flag("--json", arguments->json, "Print the report as one JSON document");
    verb->add_flag("--verify", arguments->options.verify,
                   "Read each file written back and compare it with the model it was written "
                   "from; one that reads back different is kept and counts as failed");
    // Each file runs in a child of its own, which is given the limits.
    Verb convert{verb,
                 [arguments](const RunLimits& limits) {
                     ConvertArguments limited = *arguments;
                     limited.options.seconds = limits.seconds;
                     limited.options.megabytes = limits.megabytes;
                     limited.options.transferJobs = limits.transferJobs;
                     return RunConvert(std::move(limited));
                 },
                 [] { return std::string(); }};
    convert.limited = false;
    return convert;
}

} // namespace orvex::cli
