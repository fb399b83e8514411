#pragma once

#include "Common/Core/ParameterDict.h"
#include "Common/Core/Path.h"

#include <string>
#include <vector>

namespace orvkit {

class Document;

// What the application puts on screen when a command asks the user something. The application
// installs one (DialogUtil::SetProvider); a desktop application shows real dialogs, the
// command-line program answers from its arguments.
//
// Filter lists alternate a description and its patterns: {"STEP Files (.step)", "*.step", ...}.
class DialogProvider {
public:
    virtual ~DialogProvider() = default;

    // An existing file the user picked; an empty path when cancelled.
    virtual Path OpenFile(const std::string& title, const std::vector<std::string>& filters) = 0;
    // A file to write; an empty path when cancelled.
    virtual Path SaveFile(const std::string& title, const std::string& defaultName,
                          const std::vector<std::string>& filters) = 0;
    // An existing folder; an empty path when cancelled.
    virtual Path OpenFolder(const std::string& title) = 0;
    // Tells the user something; returns when they have seen it.
    virtual void Notify(const std::string& title, const std::string& text) = 0;
    // Shows the application's dialog of that name on `params`, which it may change; false when
    // the user cancelled or there is no such dialog.
    virtual bool ShowDialog(const std::string& name, Document* document, ParameterDict* params) = 0;
};

} // namespace orvkit
