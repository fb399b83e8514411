#pragma once

#include <memory>
#include <mutex>
#include <string>

namespace orvkit {

// Receives the progress of long operations (reading a large file, say). It is called in the
// thread that runs the operation; a handler that shows progress elsewhere (an interface
// thread) hands the values over itself, and must not block, since a read may hold the
// translator lock while it reports.
class ProgressHandler {
public:
    virtual ~ProgressHandler() = default;
    // `fraction` runs from 0 to 1 within one operation; `step` names what is being done.
    virtual void Update(const std::string& step, double fraction) = 0;
    // The operation ended, whether it succeeded or not.
    virtual void Finish() = 0;
};

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
