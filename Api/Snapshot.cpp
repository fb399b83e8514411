#include "Snapshot.h"

#include "Common/Core/ChildProcess.h"
#include "FileDiagnosis.h"

#include "Common/Core/ScopedTempFolder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvex::cli {

namespace fs = std::filesystem;
using orvkit::ChildProcess;

namespace {

// The last non-empty line of what the renderer said, for an error message.
std::string LastLine(const std::string& text)
{
    size_t end = text.find_last_not_of("\r\n ");
    if (end == std::string::npos) {
        return {};
    }
    const size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

} // namespace

const std::vector<std::string>& ViewNames()
{
    static const std::vector<std::string> names{"iso",   "front", "back",  "left",
                                                "right", "top",   "bottom"};
    return names;
}

std::string FindChromium()
{
    if (const char* chosen = std::getenv("ORVEX_CHROMIUM"); chosen != nullptr && *chosen) {
        return ::access(chosen, X_OK) == 0 ? chosen : std::string();
    }
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
        size_t start = 0;
        while (start <= folders.size()) {
            const size_t end = std::min(folders.find(':', start), folders.size());
            const std::string candidate = folders.substr(start, end - start) + "/" + name;
            if (end > start && ::access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
            start = end + 1;
        }
    }
    return {};
}

bool TakeSnapshot(const ViewPage& page, const SnapshotRequest& request, const std::string& path,
                  std::string& error)
{
    const std::string chromium = FindChromium();
    if (chromium.empty()) {
        error = "no renderer: headless Chromium is not installed (Debian package chromium, or "
                "set ORVEX_CHROMIUM)";
        return false;
    }
    const orvkit::ScopedTempFolder folder("orvex-snapshot-");
    if (folder.GetPath().empty()) {
        error = "cannot make a temporary folder";
        return false;
    }
    const std::string html = (folder.GetPath() / "page.html").string();
    const std::string picture = (folder.GetPath() / "snapshot.png").string();
    if (!page.Write(html, error)) {
        return false;
    }
    // The page is ours and read from a private folder; the sandbox would refuse to start as
    // root, which is where batch jobs often run.
    const std::vector<std::string> arguments{
        "--headless",
        "--no-sandbox",
        "--use-gl=swiftshader",
        "--enable-unsafe-swiftshader",
        "--hide-scrollbars",
        "--user-data-dir=" + (folder.GetPath() / "profile").string(),
        "--virtual-time-budget=20000",
        "--window-size=" + std::to_string(request.width) + "," + std::to_string(request.height),
        "--screenshot=" + picture,
        "file://" + html + "#view=" + request.view + "&panel=0"};
    std::unique_ptr<ChildProcess> child =
        ChildProcess::Start(chromium, "chromium", arguments, error);
    if (!child) {
        return false;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(request.timeoutSeconds);
    while (!child->TryWait()) {
        if (std::chrono::steady_clock::now() > deadline) {
            error = "the renderer did not finish within " +
                    std::to_string(static_cast<int>(request.timeoutSeconds)) + " s";
            return false; // the child is killed with its object
        }
        pollfd wait{child->GetErrorPipe(), POLLIN, 0};
        ::poll(&wait, wait.fd >= 0 ? 1 : 0, 100);
        child->Read();
    }
    child->Read();
    std::error_code code;
    if (!WIFEXITED(child->GetStatus()) || WEXITSTATUS(child->GetStatus()) != 0 ||
        !fs::is_regular_file(picture, code) || fs::file_size(picture, code) == 0) {
        const std::string said = LastLine(child->GetErrors());
        error = "the renderer failed" + (said.empty() ? std::string() : ": " + said);
        return false;
    }
    return WriteOutput(
        path, "PNG",
        [&picture](const std::string& file) {
            std::error_code copied;
            fs::copy_file(picture, file, fs::copy_options::overwrite_existing, copied);
            return !copied;
        },
        error);
}

} // namespace orvex::cli
