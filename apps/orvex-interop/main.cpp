// orvex-interop: the command-line host of the Orvex.Interop.Data plugin.
#include "verbs/Verbs.h"

#include "GuardedRun.h"
#include "HelpPages.h"
#include "TerminalProgress.h"

#include "Common/Core/Logger.h"
#include "Common/Core/Progress.h"
#include "Common/Core/StderrLogSink.h"
#include "Common/Core/WorkerProcesses.h"
#include "Geometry/IO/CaughtFailure.h"
#include "Interop/Kernel/StepTransferWorkers.h"
#include "RegisterInteropDataModule.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace orvkit;
using namespace orvex::cli;

// Parses the arguments; false, with the program's exit code in `exitCode`, after --help or
// the usage-error line.
bool Parse(CLI::App& app, int argc, char** argv, int& exitCode)
{
    try {
        app.parse(argc, argv);
        return true;
    } catch (const CLI::ParseError& error) {
        // --help prints and ends well; a usage mistake is one error line like any other.
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            exitCode = app.exit(error);
            return false;
        }
        std::cerr << "orvex-interop: error: " << error.what();
        if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
            // A file whose name starts with '-' is taken for an option.
            std::cerr << " (a name that starts with '-' goes after '--': "
                      << "orvex-interop VERB -- -name.step)";
        }
        std::cerr << "\n";
        exitCode = 1;
        return false;
    }
}

// What the last run in this process showed its log or progress with. A file's child of
// `convert` is a copy of that run's process and runs the program again: it starts without them.
std::shared_ptr<LogSink> theLogSink;
std::shared_ptr<ProgressHandler> theProgress;

void ShowLogOrProgress(int verbosity)
{
    if (theLogSink) {
        Logger::Instance().RemoveSink(theLogSink);
    }
    if (theProgress && Progress::Instance().GetHandler() == theProgress) {
        Progress::Instance().SetHandler(nullptr);
    }
    theLogSink.reset();
    theProgress.reset();
    if (verbosity > 0) {
        theLogSink = std::make_shared<StderrLogSink>(verbosity > 1 ? 0 : 2);
        Logger::Instance().AddSink(theLogSink);
    } else if (::isatty(STDERR_FILENO) != 0) {
        // A progress line would tangle with log lines, so it only shows on a quiet terminal.
        theProgress = std::make_shared<TerminalProgress>();
        Progress::Instance().SetHandler(theProgress);
    }
}

// Runs the verb that was given under the limits, or hands them to it when it runs children.
int Dispatch(const std::vector<Verb>& verbs, const RunLimits& limits)
{
    for (const Verb& verb : verbs) {
        if (verb.command->parsed()) {
            const auto run = [&verb, &limits] { return verb.run(limits); };
            return GuardedRun(run, verb.limited ? limits : RunLimits{}, verb.input());
        }
    }
    return 0;
}

} // namespace

int orvex::cli::RunProgram(int argc, char** argv)
{
    CLI::App app{"orvex-interop: STEP and IGES assemblies, any model file, .lin line types and "
                 "VRML scenes read into framework documents"};
    app.require_subcommand(1);
    // By default the time grows with the file: long enough for the largest real assemblies,
    // short enough that a translator stuck in a loop on a small file does not hold a user or a
    // batch job for long.
    RunLimits limits{-1, DefaultMemoryLimit()};
    app.add_option("--timeout", limits.seconds,
                   "Give up reading a file after SECONDS (default 30, plus 2 for each megabyte "
                   "of the file; 0: no limit)")
        ->type_name("SECONDS")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--max-memory", limits.megabytes,
                   "Give up reading a file once the program, with its translation workers, "
                   "holds more than MB megabytes of memory (default three quarters of the "
                   "machine's; 0: no limit)")
        ->type_name("MB")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--transfer-jobs", limits.transferJobs,
                   "Processes that translate the parts of a STEP file (default one per core; 1: "
                   "this process alone; small files, and files whose second model memory would not "
                   "hold, take one)")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    int verbosity = 0;
    app.add_flag("-v,--verbose", verbosity,
                 "Show the log on standard error (-v notes and errors, -vv everything)");
    // The limits above may follow the verb too: "import --transfer-jobs 1 F".
    app.fallthrough();
    const std::vector<Verb> verbs = AddVerbs(app);

    app.set_version_flag("--version", ORVEX_VERSION);
    // What the package installs, made here from the options above so that neither can drift
    // from the program. Not in --help: they are for whoever packages the program.
    if (argc == 2 && std::string(argv[1]) == "--man-page") {
        std::cout << ManPage(app, ORVEX_VERSION);
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--bash-completion") {
        std::cout << BashCompletion(app);
        return 0;
    }

    int exitCode = 0;
    if (!Parse(app, argc, argv, exitCode)) {
        return exitCode;
    }
    ShowLogOrProgress(verbosity);
    orvkit::StepTransferWorkers::SetDefaultJobs(limits.transferJobs);
    orvkit::WorkerProcesses::SetMemoryLimit(limits.megabytes);
    int verbExit = 1;
    const std::optional<CaughtFailure> caught = CaughtFailure::Guard(
        [&] { verbExit = Dispatch(verbs, limits); }, CaughtFailure::OcctAndStandard);
    if (caught) {
        std::cerr << "orvex-interop: error: "
                  << (caught->kind == CaughtFailure::OcctFailure
                          ? caught->type + ": " + caught->message
                          : caught->message)
                  << "\n";
        return 1;
    }
    return verbExit;
}

int main(int argc, char** argv)
{
    RegisterInteropDataModule();
    return orvex::cli::RunProgram(argc, argv);
}
