#pragma once

#include "ArgumentDialogs.h"

#include <memory>
#include <string>
#include <vector>

namespace orvtest {

using DialogCall = orvex::cli::ArgumentDialogs::Call;

// Installs the program's dialog provider for its lifetime, then none: file and folder dialogs
// take `answers` in order (an answer of "" cancels). A dialog left with no answer fails the
// test with its title.
class DialogScope {
public:
    explicit DialogScope(std::vector<std::string> answers = {});
    ~DialogScope();
    DialogScope(const DialogScope&) = delete;
    DialogScope& operator=(const DialogScope&) = delete;

    orvex::cli::ArgumentDialogs& operator*() const { return *myDialogs; }
    orvex::cli::ArgumentDialogs* operator->() const { return myDialogs.get(); }

private:
    std::shared_ptr<orvex::cli::ArgumentDialogs> myDialogs;
};

} // namespace orvtest
