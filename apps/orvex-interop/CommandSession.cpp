#include "CommandSession.h"

#include "ArgumentDialogs.h"

#include "Data/App/CommandManager.h"
#include "Data/App/DocumentManager.h"
#include "Data/View/DialogUtil.h"

#include <fmt/format.h>

#include <cstring>
#include <iostream>

namespace orvex::cli {

using namespace orvkit;

namespace {

// Why the run failed, in the order that says the most: a dialog left without an answer, what
// the command said (the first error or message to the user it logged), an answer of a file
// type the dialog did not offer.
std::string ExplainFailure(const CommandContext& context, const ArgumentDialogs& dialogs)
{
    if (const auto& title = dialogs.GetCancelledTitle()) {
        return fmt::format("the dialog \"{}\" was cancelled (no answer was given for it)", *title);
    }
    if (!context.GetFailure().empty()) {
        return context.GetFailure();
    }
    if (!dialogs.GetMismatch().empty()) {
        return dialogs.GetMismatch();
    }
    return "it gave no reason";
}

} // namespace

CommandSession::CommandSession() : myDocument(DocumentManager::Instance().NewDocument()) {}

CommandSession::~CommandSession()
{
    DialogUtil::SetProvider(nullptr);
}

bool CommandSession::Run(const std::string& name, const std::vector<std::string>& answers,
                         ParameterDict& parameters, bool batch, const ParameterDict& dialogValues)
{
    const auto dialogs = std::make_shared<ArgumentDialogs>(answers, dialogValues);
    CommandContext context(myDocument.get(), &parameters, &myViewer);
    DialogUtil::SetProvider(dialogs);
    CommandManager& commands = CommandManager::Instance();
    const bool done = batch ? commands.BatchRun(name, &context) : commands.Run(name, &context);
    DialogUtil::SetProvider(nullptr);
    if (!done) {
        std::cerr << "orvex-interop: error: command '" << name
                  << "' failed: " << ExplainFailure(context, *dialogs) << "\n";
        return false;
    }
    for (const std::string& answer : dialogs->GetUnusedAnswers()) {
        std::cerr << "orvex-interop: warning: no dialog of '" << name << "' asked for '" << answer
                  << "'\n";
    }
    return true;
}

Element* FindElementNamed(const Document& document, const std::string& name, const char* className)
{
    for (Element* element : document.GetElements()) {
        if (element->GetName() == name &&
            (className == nullptr || std::strcmp(element->GetClassName(), className) == 0)) {
            return element;
        }
    }
    return nullptr;
}

} // namespace orvex::cli
