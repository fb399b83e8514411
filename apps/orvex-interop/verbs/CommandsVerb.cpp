#include "verbs/Verbs.h"

#include "PrintFormat.h"

#include "Data/App/CommandManager.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

// Lists the registered commands with their codes and paths.
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

} // namespace

Verb AddCommandsVerb(CLI::App& app)
{
    const auto json = std::make_shared<bool>(false);
    CLI::App* verb =
        app.add_subcommand("commands", "List the registered commands with their codes and paths");
    verb->add_flag("--json", *json, "Print one JSON document instead");
    return {verb, [json](const RunLimits&) { return ListCommands(*json); },
            [] { return std::string(); }};
}

} // namespace orvex::cli
