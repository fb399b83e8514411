#pragma once

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
    // Whether the operation should stop; asked between its steps. A read that stops fails as
    // cancelled.
    virtual bool IsCancelled() const { return false; }
};

} // namespace orvkit
