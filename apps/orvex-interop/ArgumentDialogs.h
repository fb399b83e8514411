#pragma once

#include "Common/Core/ParameterDict.h"
#include "Data/View/DialogProvider.h"

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvex::cli {

// The program's dialogs: file and folder dialogs take the answers given on the command line,
// in order; a dialog with no answer left counts as cancelled. Named dialogs keep their values
// except those given as dialog values (--set KEY=VALUE). Notices and every dialog go to the
// log at level 2, so that --verbose shows them. Every dialog is kept in the order it opened.
class ArgumentDialogs : public orvkit::DialogProvider {
public:
    // One dialog a command opened.
    struct Call {
        std::string kind;        // "open", "save", "folder", "notify", or the named dialog's name
        std::string title;       // the title; for a named dialog its name
        std::string defaultName; // save dialogs: the name suggested; a notice: its text
        std::vector<std::string> filters;
    };

    ArgumentDialogs(std::vector<std::string> answers, const orvkit::ParameterDict& values);

    orvkit::Path OpenFile(const std::string& title,
                          const std::vector<std::string>& filters) override;
    orvkit::Path SaveFile(const std::string& title, const std::string& defaultName,
                          const std::vector<std::string>& filters) override;
    orvkit::Path OpenFolder(const std::string& title) override;
    void Notify(const std::string& title, const std::string& text) override;
    bool ShowDialog(const std::string& name, orvkit::Document* document,
                    orvkit::ParameterDict* params) override;

    // A value named dialogs give back under `key`, when they have that key.
    void SetDialogValue(const std::string& key, std::unique_ptr<orvkit::ParameterValue> value);
    // Named dialogs are accepted unless this turns them to cancelled.
    void SetNamedDialogsAccepted(bool accepted) { myAcceptNamed = accepted; }

    // The dialogs opened so far, in order.
    const std::vector<Call>& GetCalls() const { return myCalls; }
    // The title of the first dialog that found no answer, if one did.
    const std::optional<std::string>& GetCancelledTitle() const { return myCancelledTitle; }
    // A file answer whose extension none of its dialog's file types (other than "*") takes:
    // a sentence saying so; empty when every answer fitted its dialog.
    const std::string& GetMismatch() const { return myMismatch; }
    // Answers no dialog asked for.
    const std::deque<std::string>& GetUnusedAnswers() const { return myAnswers; }

private:
    // The next answer for the dialog, or an empty path (cancelled).
    orvkit::Path Answer(const std::string& title);
    void CheckFileType(const std::string& file, const std::vector<std::string>& filters);

    std::deque<std::string> myAnswers;
    orvkit::ParameterDict myValues;
    std::optional<std::string> myCancelledTitle;
    std::string myMismatch;
    std::vector<Call> myCalls;
    bool myAcceptNamed = true;
};

} // namespace orvex::cli
