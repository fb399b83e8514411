#include "TerminalProgress.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdio>

namespace orvex::cli {

namespace {

constexpr std::chrono::milliseconds kQuietPeriod{500};

} // namespace

TerminalProgress::TerminalProgress() : myStart(std::chrono::steady_clock::now()) {}

void TerminalProgress::Update(const std::string& step, double fraction)
{
    if (!myShown && std::chrono::steady_clock::now() - myStart < kQuietPeriod) {
        return;
    }
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    const std::string line = fmt::format("{}... {:3d}%", step, percent);
    if (line == myLastLine) {
        return;
    }
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    myLastLine = line;
    myShown = true;
}

void TerminalProgress::Finish()
{
    if (myShown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
    myShown = false;
    myLastLine.clear();
    myStart = std::chrono::steady_clock::now();
}

// main installs the terminal's handler for the framework's commands; library calls are handed
// it as a function.
ShownProgress::ShownProgress() : myHandler(orvkit::Progress::Instance().GetHandler()) {}

ShownProgress::~ShownProgress()
{
    if (myHandler) {
        myHandler->Finish();
    }
}

ProgressFunction ShownProgress::Function() const
{
    if (!myHandler) {
        return {};
    }
    return [handler = myHandler](const std::string& step, double fraction) {
        handler->Update(step, fraction);
        return true;
    };
}

} // namespace orvex::cli
