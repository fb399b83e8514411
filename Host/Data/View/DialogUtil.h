#pragma once

#include "Common/Core/Path.h"
#include "Data/View/DialogProvider.h"

#include <memory>
#include <string>
#include <vector>

namespace orvkit {

// The standard dialogs commands use. Each goes to the installed DialogProvider; with none
// installed every dialog counts as cancelled (and a notice goes nowhere). The provider may be
// installed and asked for from any thread; a dialog runs in the calling thread with the
// provider that was installed when it started.
struct DialogUtil {
    // Installs the provider (null: none), replacing an earlier one.
    static void SetProvider(const std::shared_ptr<DialogProvider>& provider);
    // The installed provider, or null.
    static std::shared_ptr<DialogProvider> GetProvider();

    // A file to open; a path that tests false when cancelled.
    static Path OpenFileDialog(const std::string& title, const std::vector<std::string>& filters);
    // A file to save, suggesting `defaultName`; a path that tests false when cancelled.
    static Path SaveFileDialog(const std::string& title, const std::string& defaultName,
                               const std::vector<std::string>& filters);
    // A folder; a path that tests false when cancelled.
    static Path OpenFolderDialog(const std::string& title);
    // A notice with a title and a UTF-8 text.
    static void NotifyMessageU(const std::string& title, const std::string& text);
};

} // namespace orvkit
