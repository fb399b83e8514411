#include "orvex/Page.h"

#include "PageWrite.h"
#include "WriteSupport.h"

#include "Common/Core/ChildProcess.h"
#include "Common/Core/ScopedTempFolder.h"
#include "Geometry/IO/ReplacingWrite.h"

#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvex {

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

// The Chromium to draw with: $ORVEX_CHROMIUM, else chromium, chromium-browser or google-chrome
// on the PATH; empty when there is none.
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

// Draws the page `html` into `picture`; the reason when it could not.
std::string Draw(const std::string& html, const std::string& picture, const fs::path& profile,
                 const SnapshotOptions& options)
{
    const std::string chromium = FindChromium();
    if (chromium.empty()) {
        return "no renderer: headless Chromium is not installed (Debian package chromium, or "
               "set ORVEX_CHROMIUM)";
    }
    // The page is ours and read from a private folder; the sandbox would refuse to start as
    // root, which is where batch jobs often run.
    const std::vector<std::string> arguments{
        "--headless",
        "--no-sandbox",
        "--use-gl=swiftshader",
        "--enable-unsafe-swiftshader",
        "--hide-scrollbars",
        "--user-data-dir=" + profile.string(),
        "--virtual-time-budget=20000",
        "--window-size=" + std::to_string(options.width) + "," + std::to_string(options.height),
        "--screenshot=" + picture,
        "file://" + html + "#view=" + options.view + "&panel=0"};
    std::string error;
    std::unique_ptr<ChildProcess> child =
        ChildProcess::Start(chromium, "chromium", arguments, error);
    if (!child) {
        return error;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(options.timeoutSeconds);
    while (!child->TryWait()) {
        if (std::chrono::steady_clock::now() > deadline) {
            // The child is killed with its object.
            return "the renderer did not finish within " +
                   std::to_string(static_cast<int>(options.timeoutSeconds)) + " s";
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
        return "the renderer failed" + (said.empty() ? std::string() : ": " + said);
    }
    return {};
}

} // namespace

PageReport WriteSnapshot(const std::string& input, const std::string& picture,
                         const SnapshotOptions& options)
{
    PageReport report{input, picture, {}, {}};
    const auto fail = [&report, &picture](const std::string& reason) {
        report.failure = detail::CannotWriteText(picture, reason);
        return report;
    };
    const auto& views = ViewNames();
    if (std::find(views.begin(), views.end(), options.view) == views.end()) {
        return fail("unknown view '" + options.view + "'");
    }
    if (options.width < 16 || options.height < 16 || options.width > 8192 ||
        options.height > 8192) {
        return fail("the size is " + std::to_string(options.width) + "x" +
                    std::to_string(options.height) + " pixels, not 16 to 8192 each way");
    }
    const orvkit::ScopedTempFolder folder("orvex-snapshot-");
    if (folder.GetPath().empty()) {
        return fail("cannot make a temporary folder");
    }
    const std::string html = (folder.GetPath() / "page.html").string();
    const std::string drawn = (folder.GetPath() / "snapshot.png").string();
    const detail::PageOutcome page = detail::WritePageFile(input, html);
    if (!page.read.kind.empty()) {
        report.read = page.read;
        report.failure = page.read.Text();
        return report;
    }
    if (!page.writeReason.empty()) {
        return fail(page.writeReason);
    }
    if (const std::string reason = Draw(html, drawn, folder.GetPath() / "profile", options);
        !reason.empty()) {
        return fail(reason);
    }
    const std::string reason =
        orvkit::ReplaceFile(picture, "PNG", [&drawn](const std::string& file, std::string&) {
            std::error_code copied;
            fs::copy_file(drawn, file, fs::copy_options::overwrite_existing, copied);
            return !copied;
        });
    return reason.empty() ? report : fail(reason);
}

} // namespace orvex
