#pragma once

#include "Common/Core/Progress.h"

#include "orvex/Context.h"

#include <chrono>
#include <memory>
#include <string>

namespace orvex::cli {

// Shows the progress of long reads on one line of a terminal's standard error, and clears the
// line when the read ends. Nothing shows for reads shorter than half a second.
class TerminalProgress : public orvkit::ProgressHandler {
public:
    TerminalProgress();
    void Update(const std::string& step, double fraction) override;
    void Finish() override;

private:
    std::chrono::steady_clock::time_point myStart;
    std::string myLastLine;
    bool myShown = false;
};

// The progress of one library call where the program shows progress (on a quiet terminal): the
// function to hand the call, and the line cleared when this object goes.
class ShownProgress {
public:
    ShownProgress();
    ~ShownProgress();
    ShownProgress(const ShownProgress&) = delete;
    ShownProgress& operator=(const ShownProgress&) = delete;

    // Empty when nothing shows.
    ProgressFunction Function() const;

private:
    std::shared_ptr<orvkit::ProgressHandler> myHandler;
};

} // namespace orvex::cli
