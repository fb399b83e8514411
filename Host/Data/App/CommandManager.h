#pragma once

#include "Data/App/Command.h"

#include <memory>
#include <string>
#include <vector>

namespace orvkit {

// The process-wide command registry. It shares ownership of what it holds.
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

private:
    CommandManager() = default;

    std::vector<std::shared_ptr<Command>> myCommands;
};

} // namespace orvkit
