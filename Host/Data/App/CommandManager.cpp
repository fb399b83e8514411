#include "CommandManager.h"

#include "Common/Core/Logger.h"

#include <algorithm>
#include <mutex>

namespace orvkit {

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
    const std::unique_lock<std::shared_mutex> lock(myMutex);
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
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    auto it = std::find_if(myCommands.begin(), myCommands.end(),
                           [&](const auto& c) { return c->GetName() == name; });
    return it == myCommands.end() ? nullptr : *it;
}

std::shared_ptr<Command> CommandManager::FindToRun(const std::string& name) const
{
    std::shared_ptr<Command> command = Find(name);
    if (!command) {
        Logger::Instance().Message(3, "No command is registered under the name \"%s\"",
                                   name.c_str());
    }
    return command;
}

bool CommandManager::Run(const std::string& name, CommandContext* context) const
{
    // Commands say why they fail in the log; the caller gets it in the context.
    const Logger::FirstProblem problem;
    const bool done = RunCommand(name, context);
    if (context != nullptr) {
        context->SetFailure(done ? std::string() : problem.Get());
    }
    return done;
}

bool CommandManager::RunCommand(const std::string& name, CommandContext* context) const
{
    const std::shared_ptr<Command> command = FindToRun(name);
    if (!command) {
        return false;
    }
    if (!command->IsVisible(context)) {
        Logger::Instance().Message(3, "Command \"%s\" is not available here", name.c_str());
        return false;
    }
    if (!command->BeforeRunning(context)) {
        Logger::Instance().Message(3, "Command \"%s\" refused to start", name.c_str());
        return false;
    }
    return command->Run(context);
}

bool CommandManager::BatchRun(const std::string& name, CommandContext* context) const
{
    const Logger::FirstProblem problem;
    const bool done = BatchRunCommand(name, context);
    if (context != nullptr) {
        context->SetFailure(done ? std::string() : problem.Get());
    }
    return done;
}

bool CommandManager::BatchRunCommand(const std::string& name, CommandContext* context) const
{
    const std::shared_ptr<Command> command = FindToRun(name);
    if (!command) {
        return false;
    }
    ParameterDict ownParameters;
    CommandContext withParameters(
        context != nullptr ? context->GetDocument() : nullptr, &ownParameters,
        context != nullptr ? context->GetViewer() : nullptr,
        context != nullptr ? context->GetObjectId() : ObjectId::InvalidId);
    if (context != nullptr && context->GetParameters() != nullptr) {
        withParameters = *context;
    }
    ParameterDict defaults;
    CommandContext schema(withParameters.GetDocument(), &defaults, withParameters.GetViewer(),
                          withParameters.GetObjectId());
    command->QueryParamsSchema(&schema);
    ParameterDict* parameters = withParameters.GetParameters();
    for (const std::string& key : defaults.GetKeys()) {
        if (parameters->Find(key) == nullptr) {
            parameters->Add(key, defaults.Find(key)->Clone());
        }
    }
    return command->BatchRun(&withParameters);
}

std::vector<std::shared_ptr<Command>> CommandManager::GetCommands() const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    return myCommands;
}

std::vector<std::string> CommandManager::GetNames() const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    std::vector<std::string> names;
    for (const auto& command : myCommands) {
        names.push_back(command->GetName());
    }
    return names;
}

} // namespace orvkit
