#pragma once

#include "Common/Core/ParameterDict.h"

#include <string>

namespace orvkit {

class Document;

// Shows the application's named dialogs ("ExportModelDlg", "ImportSettingsDlg", ...) through
// the installed DialogProvider.
class DialogFactory {
public:
    static DialogFactory& Instance();

    // Shows the dialog on `params`, which it may change. False when cancelled, when the
    // application has no such dialog, or when no provider is installed.
    bool Show(const std::string& name, Document* document, ParameterDict* params);

private:
    DialogFactory() = default;
};

} // namespace orvkit
