#pragma once

#include <memory>
#include <string>

namespace orvkit {

// Receives the progress of long operations (reading a large file, say).
class ProgressHandler {
public:
    virtual ~ProgressHandler() = default;
    // `fraction` runs from 0 to 1 within one operation; `step` names what is being done.
    virtual void Update(const std::string& step, double fraction) = 0;
    // The operation ended, whether it succeeded or not.
    virtual void Finish() = 0;
};

// The process-wide place where long operations report progress. Without a handler, reports
// cost nothing.
class Progress {
public:
    static Progress& Instance();

    void SetHandler(const std::shared_ptr<ProgressHandler>& handler) { myHandler = handler; }
    const std::shared_ptr<ProgressHandler>& GetHandler() const { return myHandler; }

private:
    Progress() = default;

    std::shared_ptr<ProgressHandler> myHandler;
};

} // namespace orvkit
