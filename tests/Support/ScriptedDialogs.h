#pragma once

#include "Data/View/DialogProvider.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace orvtest {

// One dialog a command opened.
struct DialogCall {
    std::string kind;        // "open", "save", "folder", "notify", or the named dialog's name
    std::string title;       // the title, or for a notice its title
    std::string defaultName; // save dialogs; for a notice its text
    std::vector<std::string> filters;
};

// A dialog provider for tests: records every call and answers file and folder dialogs from a
// script, in order. An answer of "" cancels. A dialog with no scripted answer fails the test
// with its title and is cancelled. Installed for its lifetime, then none is.
class ScriptedDialogs : public orvkit::DialogProvider {
public:
    // Makes a provider and installs it; the returned pointer is shared with DialogUtil.
    static std::shared_ptr<ScriptedDialogs> Install(std::vector<std::string> answers = {});
    ~ScriptedDialogs() override;

    orvkit::Path OpenFile(const std::string& title,
                          const std::vector<std::string>& filters) override;
    orvkit::Path SaveFile(const std::string& title, const std::string& defaultName,
                          const std::vector<std::string>& filters) override;
    orvkit::Path OpenFolder(const std::string& title) override;
    void Notify(const std::string& title, const std::string& text) override;
    // Accepts named dialogs, changing only the values given with SetDialogValue, or cancels
    // them after SetNamedDialogsAccepted(false).
    bool ShowDialog(const std::string& name, orvkit::Document* document,
                    orvkit::ParameterDict* params) override;

    void Answer(const std::string& answer) { myAnswers.push_back(answer); }
    void SetNamedDialogsAccepted(bool accepted) { myAcceptNamed = accepted; }
    // A value named dialogs give back under `key`, when they have that key.
    void SetDialogValue(const std::string& key, int value);
    const std::vector<DialogCall>& GetCalls() const { return myCalls; }

private:
    orvkit::Path Next(const std::string& title);

    std::deque<std::string> myAnswers;
    std::vector<DialogCall> myCalls;
    bool myAcceptNamed = true;
    orvkit::ParameterDict myValues;
};

// Removes the installed dialog provider when it goes away.
class DialogScope {
public:
    explicit DialogScope(std::vector<std::string> answers = {});
    ~DialogScope();
    ScriptedDialogs& operator*() const { return *myDialogs; }
    ScriptedDialogs* operator->() const { return myDialogs.get(); }

private:
    std::shared_ptr<ScriptedDialogs> myDialogs;
};

} // namespace orvtest
