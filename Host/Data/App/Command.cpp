#include "Command.h"
#include "CommandManager.h"

#include <algorithm>

namespace orvkit {

void Command::QueryParamsSchema(CommandContext*) const {}

bool Command::Query(CommandContext*) const
{
    return true;
}

bool Command::IsVisible(CommandContext*) const
{
    return true;
}

bool Command::IsChecked(CommandContext*) const
{
    return false;
}

bool Command::BeforeRunning(CommandContext*)
{
    return true;
}

bool Command::BatchRun(CommandContext* context)
{
    return Run(context);
}

bool Command::Prepare(CommandContext*)
{
    return true;
}

CommandManager& CommandManager::Instance()
{
    static CommandManager instance;
    return instance;
}

bool CommandManager::Register(const std::shared_ptr<Command>& command)
{
    if (!command || command->GetName().empty()) {
        return false;
    }
    auto it = std::find_if(myCommands.begin(), myCommands.end(),
                           [&](const auto& c) { return c->GetName() == command->GetName(); });
    if (it != myCommands.end()) {
        *it = command;
    } else {
        myCommands.push_back(command);
    }
    return true;
}

std::shared_ptr<Command> CommandManager::Find(const std::string& name) const
{
    auto it = std::find_if(myCommands.begin(), myCommands.end(),
                           [&](const auto& c) { return c->GetName() == name; });
    return it == myCommands.end() ? nullptr : *it;
}

std::vector<std::string> CommandManager::GetNames() const
{
    std::vector<std::string> names;
    for (const auto& command : myCommands) {
        names.push_back(command->GetName());
    }
    return names;
}

} // namespace orvkit
