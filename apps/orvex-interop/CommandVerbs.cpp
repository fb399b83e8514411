#include "CommandVerbs.h"

#include "CommandSession.h"
#include "DocumentPrinter.h"
#include "PrintFormat.h"

#include "Common/Core/Logger.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/PathUtil.h"
#include "Data/App/CommandManager.h"
#include "Geometry/IO/ImportSettingsModel.h"

#include <fmt/format.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <iostream>

namespace orvex::cli {

using namespace orvkit;

namespace {

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

// Runs the command on a new document and prints the document under `title`.
int RunOnNewDocument(const std::string& name, const std::vector<std::string>& answers,
                     ParameterDict& parameters, bool batch, bool json, const std::string& title)
{
    CommandSession session;
    if (!session.Run(name, answers, parameters, batch, parameters)) {
        return 1;
    }
    Print(DocumentPrinter(session.GetDocument()), title, json);
    return 0;
}

} // namespace

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
    } else if (const ParameterValue* filePath = parameters.Find("FilePath")) {
        title = filePath->ToString();
    }
    return RunOnNewDocument(options.command, options.answers, parameters, options.batch,
                            options.json, title);
}

int RunRead(const ReadOptions& options)
{
    SharedParameterDict& preferences = ImportSettingsModel::GetPreferences();
    if (options.edgeLength) {
        preferences.Add(ImportSettingsModel::FixEdgesKey, ParameterCreator::Create(true));
        preferences.Add(ImportSettingsModel::EdgeLengthKey,
                        ParameterCreator::Create(*options.edgeLength));
    }
    if (options.solidTolerance) {
        preferences.Add(ImportSettingsModel::FixSolidKey, ParameterCreator::Create(true));
        preferences.Add(ImportSettingsModel::MakeSolidTolKey,
                        ParameterCreator::Create(*options.solidTolerance));
    }
    ParameterDict parameters;
    std::vector<std::string> answers;
    if (options.batch) {
        parameters.Add("FilePath", ParameterCreator::Create(options.file));
    } else {
        answers.push_back(options.file);
    }
    return RunOnNewDocument("Import", answers, parameters, options.batch, options.json,
                            options.file);
}

int RunImportPart(const ImportPartOptions& options)
{
    ParameterDict parameters;
    if (!options.docType.empty()) {
        parameters.Add("DocType", ParameterCreator::Create(options.docType));
    }
    return RunOnNewDocument("ImportAsPart", {options.file}, parameters, false, options.json,
                            options.file);
}

int ListCommands(bool json)
{
    const auto& commands = CommandManager::Instance().GetCommands();
    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& command : commands) {
            list.push_back({{"name", command->GetName()},
                            {"code", command->GetCode()},
                            {"path", command->GetPath()}});
        }
        std::cout << JsonText(nlohmann::json{{"commands", list}}) << "\n";
        return 0;
    }
    for (const auto& command : commands) {
        std::cout << command->GetName();
        if (command->GetCode() != 0) {
            std::cout << "  code=" << command->GetCode();
        }
        if (!command->GetPath().empty()) {
            std::cout << "  path=" << command->GetPath();
        }
        std::cout << "\n";
    }
    return 0;
}

} // namespace orvex::cli
