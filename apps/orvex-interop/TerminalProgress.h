#pragma once

#include "Common/Core/Progress.h"

#include <chrono>
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

} // namespace orvex::cli
