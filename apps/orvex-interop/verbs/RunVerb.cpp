#include "verbs/CommandRun.h"
#include "verbs/Verbs.h"

#include "Common/Core/ParameterDict.h"
#include "Data/App/CommandManager.h"
#include "InteropKeys.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <vector>

namespace orvex::cli {

using namespace orvkit;

namespace {

struct RunOptions {
    std::string command;
    std::vector<std::string> answers;  // for the command's dialogs, in order
    std::vector<std::string> settings; // KEY=VALUE
    bool batch = false;
    bool json = false;
};

// "true"/"false" become flags, whole numbers integers, other numbers reals (with a decimal
// point whatever the locale), anything else text.
std::unique_ptr<ParameterValue> ParseValue(const std::string& text)
{
    if (text == "true" || text == "false") {
        return ParameterCreator::Create(text == "true");
    }
    if (text.empty()) {
        return ParameterCreator::Create(text);
    }
    char* end = nullptr;
    errno = 0;
    const long integer = std::strtol(text.c_str(), &end, 10);
    if (*end == '\0' && errno == 0 && integer >= INT32_MIN && integer <= INT32_MAX) {
        return ParameterCreator::Create(static_cast<int>(integer));
    }
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    const double real = ::strtod_l(text.c_str(), &end, cLocale);
    if (*end == '\0' && errno == 0) {
        return ParameterCreator::Create(real);
    }
    return ParameterCreator::Create(text);
}

// Runs any registered command on a new document and prints the document.
int RunCommand(const RunOptions& options)
{
    if (!CommandManager::Instance().Find(options.command)) {
        std::cerr << "orvex-interop: error: no command is registered under the name '"
                  << options.command << "' (see 'orvex-interop commands')\n";
        return 1;
    }
    ParameterDict parameters;
    for (const std::string& setting : options.settings) {
        const size_t equals = setting.find('=');
        if (equals == std::string::npos || equals == 0) {
            std::cerr << "orvex-interop: error: --set takes KEY=VALUE, not '" << setting << "'\n";
            return 1;
        }
        parameters.Add(setting.substr(0, equals), ParseValue(setting.substr(equals + 1)));
    }
    // Output is headed by the file the command read, when there is one.
    std::string title = options.command;
    if (!options.answers.empty()) {
        title = options.answers.front();
    } else if (const ParameterValue* filePath = parameters.Find(InteropKeys::FilePath)) {
        title = filePath->ToString();
    }
    return RunOnNewDocument(options.command, options.answers, parameters, options.batch,
                            options.json, title);
}

} // namespace

Verb AddRunVerb(CLI::App& app)
{
    const auto options = std::make_shared<RunOptions>();
    CLI::App* verb = app.add_subcommand(
        "run", "Run a registered command on a new document and print the document");
    verb->add_option("COMMAND", options->command, "The command's name (see 'commands')")
        ->required();
    verb->add_option("ANSWER", options->answers,
                     "Answers to the command's file and folder dialogs, in order; a dialog "
                     "with no answer left is cancelled");
    verb->add_option("--set", options->settings,
                     "KEY=VALUE: a command parameter (true/false, a number or text), also "
                     "given to the named dialogs the command shows")
        ->allow_extra_args(false);
    verb->add_flag("--batch", options->batch, "Run without dialogs, from the parameters");
    verb->add_flag("--json", options->json, "Print one JSON document instead of the tree");
    return {
        verb, [options](const RunLimits&) { return RunCommand(*options); },
        [options] { return options->answers.empty() ? std::string() : options->answers.front(); }};
}

} // namespace orvex::cli
