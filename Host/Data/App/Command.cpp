#include "Command.h"

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

} // namespace orvkit
