#include "orvex/Convert.h"

#include "Common/Core/ChildProcess.h"
#include "ConvertWarmUp.h"
#include "WriteSupport.h"
#include "orvex/Read.h"

#include "Common/Core/StringUtil.h"
#include "Geometry/IO/ModelFormat.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>
#include <thread>

#include <dlfcn.h>
#include <malloc.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvex {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using orvkit::ChildProcess;

const char* const kChildName = "orvex-interop";
const char* const kChildVerb = "export";
const char* const kUnknownFormatOption = "unknown format '{}' (expected {})";
const char* const kUnknownAxisOption =
    "unknown axis '{}' for {} (expected 0, 1, 2, x-up, y-up or z-up)";
const char* const kNoFiles = "no files to convert (give them as arguments or with --from-list)";
const char* const kBadShard =
    "bad --shard '{}' (expected K/N with K from 1 to N, as in 2/8 for the second of eight)";
const char* const kNoList = "cannot read the file list '{}': {}";
const char* const kNotFolder = "output folder '{}' is not a folder";
const char* const kNotWritable = "output folder '{}' is not writable";
const char* const kSameOutput =
    "its output '{}' is also the output of '{}', which it would overwrite; not converted";
const char* const kOutputIsInput = "its output would overwrite the input itself; not converted";
const char* const kNoOutput = "the conversion ended without error but wrote no '{}'";
const char* const kKilled = "killed by {} ({})";
const char* const kMaybeOutOfMemory = "; perhaps for running out of memory";
const char* const kExitedSilently = "exited with code {} without an error message";
const char* const kNoProgram = "cannot find the orvex-interop program to convert with";

// How long the loop waits for a child's output before it looks for ended children anyway;
// the pipes closing wakes it sooner.
constexpr int kPollMilliseconds = 100;
// The wait when a running child has closed its pipes but has not yet been reaped.
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

// The last line a child that gave no report wrote on standard error: the guard's words when a
// limit stopped it or a fault ended it, shown as they stand.
std::string LastErrorLine(const std::string& errors)
{
    std::istringstream lines(errors);
    std::string last;
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.empty()) {
            last = line;
        }
    }
    const std::string prefix = std::string(kChildName) + ": error: ";
    return last.rfind(prefix, 0) == 0 ? last.substr(prefix.size()) : last;
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
    const std::string line = LastErrorLine(errors);
    if (!line.empty()) {
        return line;
    }
    return fmt::format(kExitedSilently, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

// Fills the file's outcome from the child's report, or, when it gave none, from how it ended.
// The report is the last line of the child's standard output.
void Finish(ConvertedFile& file, const ChildProcess& child)
{
    // The report is the child's last line: the kernel may have printed before it.
    std::string_view output = child.GetOutput();
    while (!output.empty() && output.back() == '\n') {
        output.remove_suffix(1);
    }
    const size_t newline = output.rfind('\n');
    const std::string_view line =
        newline == std::string_view::npos ? output : output.substr(newline + 1);
    const nlohmann::json json = nlohmann::json::parse(line, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        const int status = child.GetStatus();
        file.reason = FailureReason(status, child.GetErrors());
        if (WIFSIGNALED(status)) {
            RemoveTemporaries(file.output);
        }
        return;
    }
    const ConvertedFile reported = ConvertedFile::FromJson(json);
    file.ok = reported.ok;
    file.reason = reported.reason;
    file.warnings = reported.warnings;
    file.verified = reported.verified;
    file.bytes = reported.bytes;
}

// The orvex-interop installed with this library: beside it in a build tree, in the bin folder
// above a (multiarch) library folder, else on the PATH.
std::string FindProgram()
{
    Dl_info info{};
    std::vector<fs::path> candidates;
    if (::dladdr(reinterpret_cast<void*>(&FindProgram), &info) != 0 && info.dli_fname != nullptr) {
        const fs::path folder = fs::path(info.dli_fname).parent_path();
        candidates = {folder / kChildName, folder / "../bin" / kChildName,
                      folder / "../../bin" / kChildName};
    }
    if (const char* path = std::getenv("PATH")) {
        std::istringstream folders(path);
        for (std::string folder; std::getline(folders, folder, ':');) {
            if (!folder.empty()) {
                candidates.push_back(fs::path(folder) / kChildName);
            }
        }
    }
    for (const fs::path& candidate : candidates) {
        if (::access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate)) {
            return fs::weakly_canonical(candidate).string();
        }
    }
    return {};
}

// Lets a forked child's allocator keep what it frees for its next allocation, instead of
// handing large blocks back to the kernel and having them faulted in afresh: such a child
// faulted in four times the pages of one started afresh, a third of its time at small files.
void KeepFreedMemory()
{
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

// Converts the files, `jobs` at a time, each in a child process.
class BatchConvert {
public:
    BatchConvert(const std::vector<std::string>& files, ConvertOptions options)
        : myFiles(files), myOptions(std::move(options))
    {
        myOptions.format = orvkit::StringUtil::ToLower(myOptions.format);
        myOptions.write.fromUp = orvkit::StringUtil::ToLower(myOptions.write.fromUp);
        myOptions.write.up = orvkit::StringUtil::ToLower(myOptions.write.up);
    }

    // Why the options cannot run; empty when they can. Makes the output folder.
    std::string CheckOptions() const
    {
        if (myFiles.empty()) {
            return kNoFiles;
        }
        if (Shard shard; !myOptions.shard.empty() && !Shard::Parse(myOptions.shard, shard)) {
            return fmt::format(kBadShard, myOptions.shard);
        }
        const orvkit::ModelFormat* format = orvkit::ModelFormat::ForName(myOptions.format);
        if (format == nullptr || !format->writable || !format->Takes("." + myOptions.format)) {
            return fmt::format(kUnknownFormatOption, myOptions.format,
                               orvkit::ModelFormat::WritableNames());
        }
        for (const auto& [axis, option] :
             {std::pair{myOptions.write.fromUp, "--from"}, std::pair{myOptions.write.up, "--to"}}) {
            WriteOptions one;
            one.fromUp = axis;
            orvkit::XdeWriteOptions ignored;
            if (!detail::ToWriteOptions(one, ignored).empty()) {
                return fmt::format(kUnknownAxisOption, axis, option);
            }
        }
        WriteOptions unit;
        unit.unit = myOptions.write.unit;
        orvkit::XdeWriteOptions ignored;
        if (std::string problem = detail::ToWriteOptions(unit, ignored); !problem.empty()) {
            return problem;
        }
        return CheckFolder();
    }

    std::vector<ConvertedFile> Run(const std::string& program)
    {
        std::vector<ConvertedFile> files;
        const std::vector<Task> tasks = Plan(files);
        // Each child a copy of this process, once this process has set up what each would
        // otherwise set up first: at small files that is a third of what each costs.
        myForking = myOptions.runInProcess && !tasks.empty() && WarmUp();
        size_t failed = files.size() - tasks.size();
        size_t done = failed;

        std::vector<Running> running;
        const unsigned jobs = Jobs();
        size_t next = 0;
        Report(done, failed, files.size());
        while (next < tasks.size() || !running.empty()) {
            while (running.size() < jobs && next < tasks.size()) {
                const Task& task = tasks[next++];
                const Clock::time_point start = Clock::now();
                std::string error;
                std::unique_ptr<ChildProcess> child = StartChild(program, task.arguments, error);
                if (!child) {
                    files[task.index].reason = error;
                    ++done;
                    ++failed;
                    continue;
                }
                running.push_back({task.index, std::move(child), start});
            }
            if (running.empty()) {
                continue;
            }
            Wait(running);
            const size_t doneBefore = done;
            for (auto it = running.begin(); it != running.end();) {
                it->child->Read();
                if (!it->child->TryWait()) {
                    ++it;
                    continue;
                }
                // What the child wrote just before it ended may still be in the pipes.
                it->child->Read();
                ConvertedFile& file = files[it->index];
                file.seconds = std::chrono::duration<double>(Clock::now() - it->start).count();
                Finish(file, *it->child);
                ++done;
                failed += file.ok ? 0 : 1;
                it = running.erase(it);
            }
            if (done != doneBefore) {
                Report(done, failed, files.size());
            }
        }
        return files;
    }

private:
    struct Running {
        size_t index;
        std::unique_ptr<ChildProcess> child;
        Clock::time_point start;
    };
    struct Task {
        size_t index; // into the files
        std::vector<std::string> arguments;
    };

    std::unique_ptr<ChildProcess> StartChild(const std::string& program,
                                             const std::vector<std::string>& arguments,
                                             std::string& error) const
    {
        if (myForking) {
            const auto& run = myOptions.runInProcess;
            return ChildProcess::Fork(
                [&run, &arguments] {
                    KeepFreedMemory();
                    return run(arguments);
                },
                error);
        }
        return ChildProcess::Start(program, kChildName, arguments, error);
    }

    bool WarmUp() const
    {
        WriteOptions write = myOptions.write;
        write.verify = myOptions.verify;
        return detail::WarmUpConversion(myFiles, myOptions.format, write);
    }

    std::string CheckFolder() const
    {
        const std::string& folder = myOptions.out;
        std::error_code code;
        // Made when missing, as a split makes its folder.
        fs::create_directories(folder, code);
        if (code && !fs::exists(folder)) {
            return detail::CannotMakeFolderText(folder, code.message());
        }
        if (!fs::is_directory(folder, code)) {
            return fmt::format(kNotFolder, folder);
        }
        if (::access(folder.c_str(), W_OK | X_OK) != 0) {
            return fmt::format(kNotWritable, folder);
        }
        return {};
    }

    // Sleeps until a child writes or closes a pipe (which it does on ending), so that no child
    // ever blocks on a full one. A child whose pipes have closed is ending: look for its exit
    // again soon rather than wait on the others' pipes.
    static void Wait(const std::vector<Running>& running)
    {
        std::vector<pollfd> pipes;
        bool ending = false;
        for (const auto& entry : running) {
            const int output = entry.child->GetOutputPipe();
            const int errors = entry.child->GetErrorPipe();
            for (const int pipe : {output, errors}) {
                if (pipe >= 0) {
                    pipes.push_back({pipe, POLLIN, 0});
                }
            }
            ending = ending || (output < 0 && errors < 0);
        }
        ::poll(pipes.data(), pipes.size(), ending ? kReapMilliseconds : kPollMilliseconds);
    }

    // Fills the outcomes and returns the files to run.
    std::vector<Task> Plan(std::vector<ConvertedFile>& files) const
    {
        std::vector<size_t> order(myFiles.size());
        std::iota(order.begin(), order.end(), 0);
        Shard shard;
        const bool sharded = Shard::Parse(myOptions.shard, shard);
        if (sharded) {
            // Byte order, not the locale's: every machine must see the same list.
            std::stable_sort(order.begin(), order.end(),
                             [this](size_t a, size_t b) { return myFiles[a] < myFiles[b]; });
        }
        std::vector<Task> tasks;
        // Outputs by their normalised absolute path, so "out/a.stl" and "./out/a.stl" are one
        // file. Every file claims its output, the other shards' too, so that each shard decides
        // the same way which of two files with one output name is converted. Every output is a
        // plain name in the one folder, so the folder is resolved once, not once a file.
        std::error_code code;
        fs::path folder = fs::weakly_canonical(fs::absolute(myOptions.out), code);
        if (code) {
            folder = fs::absolute(myOptions.out).lexically_normal();
        }
        std::map<fs::path, std::string> claimed;
        for (size_t position = 0; position < order.size(); ++position) {
            const std::string& input = myFiles[order[position]];
            const std::string name = fs::path(input).stem().string() + "." + myOptions.format;
            const fs::path output = fs::path(myOptions.out) / name;
            const fs::path absoluteOutput = folder / name;
            const auto [earlier, isNew] = claimed.emplace(absoluteOutput, input);
            if (sharded && !shard.Holds(position)) {
                continue;
            }
            ConvertedFile& file = files.emplace_back();
            file.input = input;
            file.output = output.string();
            if (!isNew) {
                file.reason = fmt::format(kSameOutput, file.output, earlier->second);
                continue;
            }
            if (fs::equivalent(file.input, output, code)) {
                file.reason = kOutputIsInput;
                continue;
            }
            tasks.push_back({files.size() - 1, Arguments(input, absoluteOutput.string())});
        }
        return tasks;
    }

    // The child's command line: the limits first, then the export with its options, and
    // `--report-json` so that it answers with one line of JSON.
    std::vector<std::string> Arguments(const std::string& input, const std::string& output) const
    {
        std::vector<std::string> arguments;
        // The time limit when one was given, since by default each child sizes it by its own
        // file; the memory limit always, so that a child given none does not take its default.
        if (myOptions.seconds >= 0) {
            arguments.insert(arguments.end(), {"--timeout", std::to_string(myOptions.seconds)});
        }
        arguments.insert(arguments.end(), {"--max-memory", std::to_string(myOptions.megabytes)});
        arguments.insert(arguments.end(), {"--transfer-jobs", std::to_string(TransferJobs())});
        // Absolute paths: a file name starting with '-' must not read as an option.
        arguments.insert(arguments.end(), {kChildVerb, fs::absolute(input).string(), output});
        const WriteOptions& write = myOptions.write;
        const std::pair<const char*, std::string> texts[] = {
            {"--from", write.fromUp}, {"--to", write.up}, {"--unit", write.unit}};
        for (const auto& [option, value] : texts) {
            if (!value.empty()) {
                arguments.insert(arguments.end(), {option, value});
            }
        }
        if (write.deflection > 0.0) {
            arguments.insert(arguments.end(),
                             {"--deflection", fmt::format("{}", write.deflection)});
        }
        arguments.insert(arguments.end(), {"--angle", fmt::format("{}", write.angle)});
        if (myOptions.verify) {
            arguments.push_back("--verify");
        }
        arguments.push_back(kConvertChildFlag);
        return arguments;
    }

    void Report(size_t done, size_t failed, size_t total) const
    {
        if (myOptions.progress) {
            myOptions.progress(done, failed, total);
        }
    }

    static unsigned Cores() { return std::max(1u, std::thread::hardware_concurrency()); }

    unsigned Jobs() const { return myOptions.jobs > 0 ? myOptions.jobs : Cores(); }

    // The processes each child translates its parts with: as given, else the cores left to
    // each of the files converted at a time.
    unsigned TransferJobs() const
    {
        if (myOptions.transferJobs > 0) {
            return myOptions.transferJobs;
        }
        const size_t atOnce = std::max<size_t>(1, std::min<size_t>(Jobs(), myFiles.size()));
        return std::max(1u, Cores() / static_cast<unsigned>(atOnce));
    }

    const std::vector<std::string>& myFiles;
    ConvertOptions myOptions;
    bool myForking = false; // each file's child a copy of this process
};

} // namespace

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

nlohmann::ordered_json ConvertedFile::ToJson() const
{
    using Json = nlohmann::ordered_json;
    // No reason for a file that converted, no size for one that did not.
    Json item;
    item["input"] = input;
    item["output"] = output;
    item["status"] = ok ? "ok" : "failed";
    item["reason"] = ok ? Json() : Json(reason);
    item["seconds"] = std::round(seconds * 1000.0) / 1000.0;
    item["bytes"] = ok ? Json(bytes) : Json();
    item["warnings"] = warnings;
    // Null when not asked for, or when nothing was written to read back.
    item["verified"] = verified ? Json(*verified) : Json();
    return item;
}

ConvertedFile ConvertedFile::FromJson(const nlohmann::json& json)
{
    ConvertedFile file;
    file.input = json.value("input", std::string());
    file.output = json.value("output", std::string());
    file.ok = json.value("status", std::string()) == "ok";
    if (json.contains("reason") && json["reason"].is_string()) {
        file.reason = json["reason"].get<std::string>();
    }
    file.seconds = json.value("seconds", 0.0);
    if (json.contains("bytes") && json["bytes"].is_number_unsigned()) {
        file.bytes = json["bytes"].get<std::uintmax_t>();
    }
    file.warnings = json.value("warnings", std::vector<std::string>());
    if (json.contains("verified") && json["verified"].is_boolean()) {
        file.verified = json["verified"].get<bool>();
    }
    return file;
}

ConvertedFile ConvertFile(const std::string& input, const std::string& output,
                          const WriteOptions& options)
{
    ConvertedFile file;
    file.input = input;
    file.output = output;
    const Clock::time_point start = Clock::now();
    ReadResult read = Read(input, ReadOptions{false, {}, options.progress});
    if (!read) {
        file.reason = read.failure.Text();
    } else {
        file.warnings = read.warnings;
        const WriteReport written = Write(std::move(*read.model), output, options);
        file.warnings.insert(file.warnings.end(), written.lost.begin(), written.lost.end());
        file.verified = written.verified;
        file.ok = written.Ok();
        file.reason = written.Problem();
        file.bytes = file.ok ? written.bytes : 0;
    }
    file.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return file;
}

nlohmann::ordered_json ConvertReport::ToJson() const
{
    using Json = nlohmann::ordered_json;
    Json report;
    // Which part of the list this was, so that the reports of all shards can be put together
    // and checked for completeness; null without a shard.
    report["shard"] = shard ? Json{{"index", shard->index}, {"count", shard->count}} : Json();
    Json items = Json::array();
    for (const ConvertedFile& file : files) {
        items.push_back(file.ToJson());
    }
    report["files"] = std::move(items);
    report["ok"] = files.size() - failed;
    report["failed"] = failed;
    return report;
}

ConvertReport Convert(const std::vector<std::string>& files, const ConvertOptions& options)
{
    ConvertReport report;
    BatchConvert batch(files, options);
    report.error = batch.CheckOptions();
    if (!report.error.empty()) {
        return report;
    }
    if (Shard shard; Shard::Parse(options.shard, shard)) {
        report.shard = shard;
    }
    const std::string program = options.program.empty() ? FindProgram() : options.program;
    if (program.empty()) {
        report.error = kNoProgram;
        return report;
    }
    report.files = batch.Run(program);
    report.failed = static_cast<size_t>(std::count_if(
        report.files.begin(), report.files.end(), [](const ConvertedFile& f) { return !f.ok; }));
    return report;
}

} // namespace orvex
