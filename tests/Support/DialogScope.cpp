#include "Support/DialogScope.h"

#include "Data/View/DialogUtil.h"

#include <gtest/gtest.h>

namespace orvtest {

DialogScope::DialogScope(std::vector<std::string> answers)
    : myDialogs(std::make_shared<orvex::cli::ArgumentDialogs>(std::move(answers),
                                                              orvkit::ParameterDict()))
{
    orvkit::DialogUtil::SetProvider(myDialogs);
}

DialogScope::~DialogScope()
{
    orvkit::DialogUtil::SetProvider(nullptr);
    if (const auto& title = myDialogs->GetCancelledTitle()) {
        ADD_FAILURE() << "unscripted dialog \"" << *title << "\"";
    }
}

} // namespace orvtest
