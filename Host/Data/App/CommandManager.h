#pragma once

#include "Data/App/Command.h"

#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

namespace orvkit {

// The process-wide command registry. It shares ownership of what it holds, and every caller that
// gets a command shares it too, so a command replaced while it runs lives until it returns.
// Every function may be called from any thread; the commands themselves are run without the
// registry's lock, in the calling thread.
class CommandManager {
public:
    static CommandManager& Instance();

    // Files the command under its name; a later command of the same name replaces it.
    // False for a null command or an empty name.
    bool Register(const std::shared_ptr<Command>& command);
    // The command of that name, or null.
    std::shared_ptr<Command> Find(const std::string& name) const;
    // Names in registration order.
    std::vector<std::string> GetNames() const;
    // The commands in registration order, as a list of their own.
    std::vector<std::shared_ptr<Command>> GetCommands() const;

    // Runs the named command as the user starts it: false, with the reason logged at level 3,
    // when there is no such command or it is not available in the context (IsVisible) or
    // refuses to start (BeforeRunning); otherwise what its Run returns.
    bool Run(const std::string& name, CommandContext* context) const;
    // Runs the named command without dialogs: every parameter the command declares
    // (QueryParamsSchema) that the context's dictionary does not hold yet is added with its
    // default, then BatchRun. A context without a dictionary gets one for the run. False, with
    // the reason logged, when there is no such command; otherwise what BatchRun returns.
    bool BatchRun(const std::string& name, CommandContext* context) const;
    // Both leave in the context why a run failed: the first error the command logged
    // (CommandContext::GetFailure).

private:
    CommandManager() = default;
    bool RunCommand(const std::string& name, CommandContext* context) const;
    bool BatchRunCommand(const std::string& name, CommandContext* context) const;
    // The command of that name; logs and gives null when there is none.
    std::shared_ptr<Command> FindToRun(const std::string& name) const;

    // Shared by the lookups, exclusive for Register.
    mutable std::shared_mutex myMutex;
    std::vector<std::shared_ptr<Command>> myCommands;
};

} // namespace orvkit
