#pragma once

#include "Common/Core/ParameterDict.h"
#include "Data/View/DialogProvider.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace orvex::cli {

// The program's dialogs: file and folder dialogs take the answers given on the command line,
// in order; a dialog with no answer left counts as cancelled. Named dialogs keep their values
// except those given as dialog values (--set KEY=VALUE). Notices and every dialog go to the
// log at level 2, so that --verbose shows them.
class ArgumentDialogs : public orvkit::DialogProvider {
public:
    ArgumentDialogs(std::vector<std::string> answers, const orvkit::ParameterDict& values);

    orvkit::Path OpenFile(const std::string& title,
                          const std::vector<std::string>& filters) override;
    orvkit::Path SaveFile(const std::string& title, const std::string& defaultName,
                          const std::vector<std::string>& filters) override;
    orvkit::Path OpenFolder(const std::string& title) override;
    void Notify(const std::string& title, const std::string& text) override;
    bool ShowDialog(const std::string& name, orvkit::Document* document,
                    orvkit::ParameterDict* params) override;

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
};

} // namespace orvex::cli
