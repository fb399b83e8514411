#pragma once

#include "Common/Core/ProgressHandler.h"

#include <memory>
#include <mutex>

namespace orvkit {

// The process-wide place where long operations report progress. Without a handler, reports
// cost nothing. Both functions may be called from any thread; an operation takes its share of
// the handler when it starts and keeps reporting to that one.
class Progress {
public:
    static Progress& Instance();

    // Installs the handler (null: none), replacing an earlier one.
    void SetHandler(const std::shared_ptr<ProgressHandler>& handler);
    // The installed handler, or null.
    std::shared_ptr<ProgressHandler> GetHandler() const;

private:
    Progress() = default;

    mutable std::mutex myMutex;
    std::shared_ptr<ProgressHandler> myHandler;
};

} // namespace orvkit
