#include "Support/ScriptedDialogs.h"

#include "Data/View/DialogUtil.h"

#include <gtest/gtest.h>

namespace orvtest {

using namespace orvkit;

std::shared_ptr<ScriptedDialogs> ScriptedDialogs::Install(std::vector<std::string> answers)
{
    auto dialogs = std::make_shared<ScriptedDialogs>();
    dialogs->myAnswers.assign(answers.begin(), answers.end());
    DialogUtil::SetProvider(dialogs);
    return dialogs;
}

ScriptedDialogs::~ScriptedDialogs() = default;

Path ScriptedDialogs::Next(const std::string& title)
{
    if (myAnswers.empty()) {
        ADD_FAILURE() << "unscripted dialog \"" << title << "\"";
        return Path();
    }
    std::string answer = myAnswers.front();
    myAnswers.pop_front();
    return Path(answer);
}

Path ScriptedDialogs::OpenFile(const std::string& title, const std::vector<std::string>& filters)
{
    myCalls.push_back({"open", title, "", filters});
    return Next(title);
}

Path ScriptedDialogs::SaveFile(const std::string& title, const std::string& defaultName,
                               const std::vector<std::string>& filters)
{
    myCalls.push_back({"save", title, defaultName, filters});
    return Next(title);
}

Path ScriptedDialogs::OpenFolder(const std::string& title)
{
    myCalls.push_back({"folder", title, "", {}});
    return Next(title);
}

void ScriptedDialogs::Notify(const std::string& title, const std::string& text)
{
    myCalls.push_back({"notify", title, text, {}});
}

bool ScriptedDialogs::ShowDialog(const std::string& name, Document*, ParameterDict* params)
{
    myCalls.push_back({name, name, "", {}});
    if (!myAcceptNamed) {
        return false;
    }
    for (const std::string& key : myValues.GetKeys()) {
        if (params != nullptr && params->Find(key) != nullptr) {
            params->Add(key, myValues.Find(key)->Clone());
        }
    }
    return true;
}

void ScriptedDialogs::SetDialogValue(const std::string& key, int value)
{
    myValues.Add(key, ParameterCreator::Create(value));
}

DialogScope::DialogScope(std::vector<std::string> answers)
    : myDialogs(ScriptedDialogs::Install(std::move(answers)))
{
}

DialogScope::~DialogScope()
{
    DialogUtil::SetProvider(nullptr);
}

} // namespace orvtest
