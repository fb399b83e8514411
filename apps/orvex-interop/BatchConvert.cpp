#include "BatchConvert.h"

#include "ChildProcess.h"
#include "ModelWriting.h"

#include "Common/Core/StringUtil.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/Kernel/AxisConvention.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>
#include <thread>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvex::cli {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kErrorPrefix = "orvex-interop: error: ";
const char* const kWarningPrefix = "orvex-interop: warning: ";
const char* const kChildName = "orvex-interop";
const char* const kChildVerb = "export";
const char* const kUnknownFormat = "unknown format '{}' (expected {})";
const char* const kUnknownAxis = "unknown axis '{}' for {} (expected 0, 1, 2, x-up, y-up or z-up)";
const char* const kUnknownUnit = "unknown unit '{}' for --unit (expected mm, cm, m, in, ft, ...)";
const char* const kNoFiles = "no files to convert (give them as arguments or with --from-list)";
const char* const kBadShard =
    "bad --shard '{}' (expected K/N with K from 1 to N, as in 2/8 for the second of eight)";
const char* const kNoList = "cannot read the file list '{}': {}";
const char* const kNoFolder = "output folder '{}' does not exist";
const char* const kNotFolder = "output folder '{}' is not a folder";
const char* const kNotWritable = "output folder '{}' is not writable";
const char* const kSameOutput =
    "its output '{}' is also the output of '{}', which it would overwrite; not converted";
const char* const kOutputIsInput = "its output would overwrite the input itself; not converted";
const char* const kNoOutput = "the conversion ended without error but wrote no '{}'";
const char* const kKilled = "killed by {} ({})";
const char* const kMaybeOutOfMemory = "; perhaps for running out of memory";
const char* const kExitedSilently = "exited with code {} without an error message";
const char* const kProgress = "converted {} of {}";
const char* const kProgressFailed = ", {} failed";

// How long the loop waits for a child's output before it looks for ended children anyway;
// the pipes closing wakes it sooner.
constexpr int kPollMilliseconds = 100;
// The wait when a running child has closed its pipe but has not yet been reaped.
constexpr int kReapMilliseconds = 5;

// A child killed in the middle of a write leaves its temporary folder beside the output (a
// hidden ".NAME.tmp-XXXXXX"); nothing else would ever remove it.
void RemoveTemporaries(const fs::path& output)
{
    const std::string prefix = "." + output.filename().string() + ".tmp-";
    std::error_code code;
    const fs::path folder = output.has_parent_path() ? output.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) {
        if (it->path().filename().string().rfind(prefix, 0) == 0 && it->is_directory(code)) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
}

std::string SignalName(int signal)
{
    if (const char* abbreviation = ::sigabbrev_np(signal); abbreviation != nullptr) {
        return std::string("SIG") + abbreviation;
    }
    return "signal " + std::to_string(signal);
}

// The child's own explanation: its last error line without the program's prefix, or else its
// last line of any kind.
// What the child said its read left out and the file written does not keep: its warning
// lines, without the prefix and the file's name, which the report gives once.
std::vector<std::string> WarningLines(const std::string& errors)
{
    std::vector<std::string> warnings;
    std::istringstream lines(errors);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(kWarningPrefix, 0) != 0) {
            continue;
        }
        std::string warning = line.substr(std::strlen(kWarningPrefix));
        const size_t named = warning.rfind("': ");
        warnings.push_back(
            warning[0] == '\'' && named != std::string::npos ? warning.substr(named + 3) : warning);
    }
    return warnings;
}

std::string ErrorLine(const std::string& errors)
{
    std::string lastLine;
    size_t start = 0;
    std::string found;
    while (start < errors.size()) {
        size_t end = errors.find('\n', start);
        if (end == std::string::npos) {
            end = errors.size();
        }
        std::string line = errors.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (line.rfind(kErrorPrefix, 0) == 0) {
            found = line.substr(std::strlen(kErrorPrefix));
        } else if (!line.empty()) {
            lastLine = line;
        }
        start = end + 1;
    }
    return found.empty() ? lastLine : found;
}

std::string FailureReason(int status, const std::string& errors)
{
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        std::string reason = fmt::format(kKilled, SignalName(signal), ::strsignal(signal));
        if (signal == SIGKILL) {
            reason += kMaybeOutOfMemory;
        }
        return reason;
    }
    const std::string line = ErrorLine(errors);
    if (!line.empty()) {
        return line;
    }
    return fmt::format(kExitedSilently, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

void Finish(ConvertOutcome& outcome, const ChildProcess& child, bool verify)
{
    const int status = child.GetStatus();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        outcome.reason = FailureReason(status, child.GetErrors());
        if (verify && IsReadBackDifference(outcome.reason)) {
            outcome.verified = false;
        }
        if (WIFSIGNALED(status)) {
            RemoveTemporaries(outcome.output);
        }
        return;
    }
    std::error_code code;
    const std::uintmax_t bytes = fs::file_size(outcome.output, code);
    if (code) {
        outcome.reason = fmt::format(kNoOutput, outcome.output);
        return;
    }
    outcome.ok = true;
    outcome.verified = verify ? std::optional<bool>(true) : std::nullopt;
    outcome.warnings = WarningLines(child.GetErrors());
    outcome.bytes = bytes;
}

} // namespace

BatchConvert::BatchConvert(ConvertOptions options, std::string program)
    : myOptions(std::move(options)), myProgram(std::move(program)),
      myShowProgress(::isatty(STDERR_FILENO) != 0)
{
    myOptions.format = orvkit::StringUtil::ToLower(myOptions.format);
    myOptions.choices.from = orvkit::StringUtil::ToLower(myOptions.choices.from);
    myOptions.choices.to = orvkit::StringUtil::ToLower(myOptions.choices.to);
}

bool Shard::Parse(const std::string& text, Shard& shard)
{
    const size_t slash = text.find('/');
    if (slash == std::string::npos) {
        return false;
    }
    const auto number = [](const std::string& digits, unsigned& value) {
        // At most 9 digits, so that it fits; nobody runs a billion machines.
        if (digits.empty() || digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            return false;
        }
        value = static_cast<unsigned>(std::stoul(digits));
        return true;
    };
    Shard parsed;
    if (!number(text.substr(0, slash), parsed.index) ||
        !number(text.substr(slash + 1), parsed.count) || parsed.index < 1 ||
        parsed.index > parsed.count) {
        return false;
    }
    shard = parsed;
    return true;
}

bool ReadFileList(const std::string& path, std::vector<std::string>& files, std::string& error)
{
    std::ifstream file;
    if (path != "-") {
        file.open(path);
        std::error_code code;
        if (!file || fs::is_directory(path, code)) {
            error = fmt::format(kNoList, path,
                                fs::exists(path, code) ? "it is not a readable file"
                                                       : "it does not exist");
            return false;
        }
    }
    std::istream& lines = path == "-" ? std::cin : file;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            files.push_back(line);
        }
    }
    if (lines.bad()) {
        error = fmt::format(kNoList, path, std::strerror(errno));
        return false;
    }
    return true;
}

std::string BatchConvert::CheckOptions() const
{
    if (myOptions.files.empty()) {
        return kNoFiles;
    }
    if (Shard shard; !myOptions.shard.empty() && !Shard::Parse(myOptions.shard, shard)) {
        return fmt::format(kBadShard, myOptions.shard);
    }
    const orvkit::ModelFormat* format = orvkit::ModelFormat::ForName(myOptions.format);
    if (format == nullptr || !format->writable || !format->Takes("." + myOptions.format)) {
        return fmt::format(kUnknownFormat, myOptions.format, orvkit::ModelFormat::WritableNames());
    }
    if (orvkit::AxisConvention::Parse(myOptions.choices.from) < 0) {
        return fmt::format(kUnknownAxis, myOptions.choices.from, "--from");
    }
    if (orvkit::AxisConvention::Parse(myOptions.choices.to) < 0) {
        return fmt::format(kUnknownAxis, myOptions.choices.to, "--to");
    }
    if (!myOptions.choices.unit.empty() &&
        orvkit::LengthUnit::GetMetres(myOptions.choices.unit) <= 0.0) {
        return fmt::format(kUnknownUnit, myOptions.choices.unit);
    }
    std::error_code code;
    const fs::file_status folder = fs::status(myOptions.outDir, code);
    if (!fs::exists(folder)) {
        return fmt::format(kNoFolder, myOptions.outDir);
    }
    if (!fs::is_directory(folder)) {
        return fmt::format(kNotFolder, myOptions.outDir);
    }
    if (::access(myOptions.outDir.c_str(), W_OK | X_OK) != 0) {
        return fmt::format(kNotWritable, myOptions.outDir);
    }
    return {};
}

std::vector<BatchConvert::Task> BatchConvert::Plan(std::vector<ConvertOutcome>& outcomes) const
{
    const std::vector<std::string>& files = myOptions.files;
    std::vector<size_t> order(files.size());
    std::iota(order.begin(), order.end(), 0);
    Shard shard;
    const bool sharded = Shard::Parse(myOptions.shard, shard);
    if (sharded) {
        // Byte order, not the locale's: every machine must see the same list.
        std::stable_sort(order.begin(), order.end(),
                         [&files](size_t a, size_t b) { return files[a] < files[b]; });
    }
    std::vector<Task> tasks;
    // Outputs by their normalised absolute path, so "out/a.stl" and "./out/a.stl" are one file.
    // Every file claims its output, the other shards' too, so that each shard decides the same
    // way which of two files with one output name is converted.
    // Every output is a plain name in the one folder, so the folder is resolved once, not once
    // for each of a whole vault's files.
    std::error_code code;
    fs::path folder = fs::weakly_canonical(fs::absolute(myOptions.outDir), code);
    if (code) {
        folder = fs::absolute(myOptions.outDir).lexically_normal();
    }
    std::map<fs::path, std::string> claimed;
    for (size_t position = 0; position < order.size(); ++position) {
        const std::string& input = files[order[position]];
        const std::string name = fs::path(input).stem().string() + "." + myOptions.format;
        const fs::path output = fs::path(myOptions.outDir) / name;
        const fs::path absoluteOutput = folder / name;
        const auto [earlier, isNew] = claimed.emplace(absoluteOutput, input);
        if (sharded && !shard.Holds(position)) {
            continue;
        }
        ConvertOutcome& outcome = outcomes.emplace_back();
        outcome.input = input;
        outcome.output = output.string();
        if (!isNew) {
            outcome.reason = fmt::format(kSameOutput, outcome.output, earlier->second);
            continue;
        }
        if (fs::equivalent(outcome.input, output, code)) {
            outcome.reason = kOutputIsInput;
            continue;
        }
        const size_t index = outcomes.size() - 1;
        // Absolute paths: a file name starting with '-' must not read as an option.
        Task task{index,
                  {kChildVerb, fs::absolute(outcome.input).string(), absoluteOutput.string()}};
        // The memory limit always, so that a child given none does not take its default; the
        // time limit when one was given, since by default each child sizes it by its own file.
        task.arguments.insert(task.arguments.begin(),
                              {"--max-memory", std::to_string(myOptions.limits.megabytes)});
        if (myOptions.limits.seconds >= 0) {
            task.arguments.insert(task.arguments.begin(),
                                  {"--timeout", std::to_string(myOptions.limits.seconds)});
        }
        AddWriteArguments(task.arguments);
        tasks.push_back(std::move(task));
    }
    return tasks;
}

void BatchConvert::AddWriteArguments(std::vector<std::string>& arguments) const
{
    const WriteChoices& choices = myOptions.choices;
    const std::pair<const char*, std::string> texts[] = {
        {"--from", choices.from}, {"--to", choices.to}, {"--unit", choices.unit}};
    for (const auto& [option, value] : texts) {
        if (!value.empty()) {
            arguments.insert(arguments.end(), {option, value});
        }
    }
    if (choices.deflection > 0.0) {
        arguments.insert(arguments.end(), {"--deflection", fmt::format("{}", choices.deflection)});
    }
    arguments.insert(arguments.end(), {"--angle", fmt::format("{}", choices.angle)});
    if (myOptions.verify) {
        arguments.push_back("--verify");
    }
}

unsigned BatchConvert::GetJobs() const
{
    if (myOptions.jobs > 0) {
        return myOptions.jobs;
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

std::vector<ConvertOutcome> BatchConvert::Run()
{
    std::vector<ConvertOutcome> outcomes;
    const std::vector<Task> tasks = Plan(outcomes);
    size_t failed = outcomes.size() - tasks.size();
    size_t done = failed;

    struct Running {
        size_t index;
        std::unique_ptr<ChildProcess> child;
        Clock::time_point start;
    };
    std::vector<Running> running;
    const unsigned jobs = GetJobs();
    size_t next = 0;
    ShowProgress(done, failed, outcomes.size());
    while (next < tasks.size() || !running.empty()) {
        while (running.size() < jobs && next < tasks.size()) {
            const Task& task = tasks[next++];
            const Clock::time_point start = Clock::now();
            std::string error;
            std::unique_ptr<ChildProcess> child =
                ChildProcess::Start(myProgram, kChildName, task.arguments, error);
            if (!child) {
                outcomes[task.index].reason = error;
                ++done;
                ++failed;
                continue;
            }
            running.push_back({task.index, std::move(child), start});
        }
        if (running.empty()) {
            continue;
        }

        // Sleep until a child writes or closes its standard error (which it does on ending),
        // reading every pipe so no child ever blocks on a full one.
        // A child whose pipe has closed is ending: look for its exit again soon rather than
        // wait on the others' pipes.
        std::vector<pollfd> pipes;
        bool ending = false;
        for (const Running& entry : running) {
            if (entry.child->GetErrorPipe() >= 0) {
                pipes.push_back({entry.child->GetErrorPipe(), POLLIN, 0});
            } else {
                ending = true;
            }
        }
        ::poll(pipes.data(), pipes.size(), ending ? kReapMilliseconds : kPollMilliseconds);

        const size_t doneBefore = done;
        for (auto it = running.begin(); it != running.end();) {
            it->child->ReadErrors();
            if (!it->child->TryWait()) {
                ++it;
                continue;
            }
            // What the child wrote just before it ended may still be in the pipe.
            it->child->ReadErrors();
            ConvertOutcome& outcome = outcomes[it->index];
            outcome.seconds = std::chrono::duration<double>(Clock::now() - it->start).count();
            Finish(outcome, *it->child, myOptions.verify);
            ++done;
            failed += outcome.ok ? 0 : 1;
            it = running.erase(it);
        }
        if (done != doneBefore) {
            ShowProgress(done, failed, outcomes.size());
        }
    }
    ClearProgress();
    return outcomes;
}

void BatchConvert::ShowProgress(size_t done, size_t failed, size_t total) const
{
    if (!myShowProgress) {
        return;
    }
    std::string line = fmt::format(kProgress, done, total);
    if (failed > 0) {
        line += fmt::format(kProgressFailed, failed);
    }
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
}

void BatchConvert::ClearProgress() const
{
    if (myShowProgress) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

} // namespace orvex::cli
