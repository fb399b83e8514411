#include "verbs/CommandRun.h"

#include "CommandSession.h"
#include "Data/App/DocumentPrinter.h"
#include "PrintFormat.h"

namespace orvex::cli {

int RunOnNewDocument(const std::string& name, const std::vector<std::string>& answers,
                     orvkit::ParameterDict& parameters, bool batch, bool json,
                     const std::string& title)
{
    CommandSession session;
    if (!session.Run(name, answers, parameters, batch, parameters)) {
        return 1;
    }
    Print(orvkit::DocumentPrinter(session.GetDocument()), title, json);
    return 0;
}

} // namespace orvex::cli
