#include "GuardedRun.h"

#include "Common/Core/WorkerProcesses.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <sstream>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORVEX_SANITIZER_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORVEX_SANITIZER_BUILD 1
#endif
#endif

namespace orvex::cli {

namespace {

// Virtual address space only; pages are used as the stack grows. Real assemblies nest a few
// dozen levels; OpenCASCADE's parsers recurse per level, so this leaves a wide margin.
// AddressSanitizer gives up cleaning stacks of more than 64 MB when an exception or a long
// jump leaves them (with a warning on standard error), so its builds stay below that.
#ifdef ORVEX_SANITIZER_BUILD
const size_t kStackSize = size_t(48) << 20;
#else
const size_t kStackSize = size_t(512) << 20;
#endif

#ifndef ORVEX_SANITIZER_BUILD
// The crash line, made before the verb starts: a handler may only write.
char theCrashLine[1024];
size_t theCrashLineLength = 0;

void OnFault(int signal)
{
    const char* name = signal == SIGSEGV  ? "segmentation fault"
                       : signal == SIGBUS ? "bus error"
                       : signal == SIGILL ? "illegal instruction"
                       : signal == SIGFPE ? "arithmetic fault"
                                          : "abort";
    ssize_t ignored = ::write(STDERR_FILENO, theCrashLine, theCrashLineLength);
    ignored = ::write(STDERR_FILENO, name, std::strlen(name));
    ignored = ::write(STDERR_FILENO, ")\n", 2);
    (void)ignored;
    ::_exit(1);
}
#endif

void InstallCrashNote(const std::string& input)
{
#ifndef ORVEX_SANITIZER_BUILD
    const std::string line =
        input.empty() ? std::string("orvex-interop: error: crashed (")
                      : "orvex-interop: error: cannot read '" + input + "': the reader crashed (";
    theCrashLineLength = std::min(line.size(), sizeof(theCrashLine));
    std::memcpy(theCrashLine, line.data(), theCrashLineLength);
    struct sigaction action {};
    action.sa_handler = OnFault;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) {
        ::sigaction(signal, &action, nullptr);
    }
#else
    (void)input;
#endif
}

// What the worker thread hands back.
struct Outcome {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int exitCode = 1;
    const std::function<int()>* verb = nullptr;
};

void* RunVerb(void* argument)
{
    auto& outcome = *static_cast<Outcome*>(argument);
    // An alternate signal stack, so that the crash note can still be written when the fault
    // is the stack's own end.
    const size_t alternateSize = 256 * 1024;
    void* alternate = std::malloc(alternateSize);
    stack_t stack{};
    stack.ss_sp = alternate;
    stack.ss_size = alternateSize;
    if (alternate != nullptr) {
        ::sigaltstack(&stack, nullptr);
    }
    int exitCode = 1;
    try {
        exitCode = (*outcome.verb)();
    } catch (const std::exception& error) {
        std::cerr << "orvex-interop: error: " << error.what() << "\n";
    }
    if (alternate != nullptr) {
        stack.ss_flags = SS_DISABLE;
        ::sigaltstack(&stack, nullptr);
        std::free(alternate);
    }
    std::lock_guard<std::mutex> lock(outcome.mutex);
    outcome.exitCode = exitCode;
    outcome.finished = true;
    outcome.done.notify_all();
    return nullptr;
}

std::string Number(double value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

// The resident memory of this process in megabytes; 0 when it cannot be told.
double ResidentMegabytes()
{
    const int file = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return 0;
    }
    char text[128] = {};
    const ssize_t length = ::read(file, text, sizeof(text) - 1);
    ::close(file);
    unsigned long long size = 0;
    unsigned long long resident = 0;
    if (length <= 0 || std::sscanf(text, "%llu %llu", &size, &resident) != 2) {
        return 0;
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// Leaves without running destructors that would wait on what the worker holds: it cannot be
// stopped from outside.
[[noreturn]] void GiveUp(const std::string& input, const std::string& why)
{
    std::cout.flush();
    std::cerr << "orvex-interop: error: "
              << (input.empty() ? std::string("") : "cannot read '" + input + "': ") << why << "\n";
    std::cerr.flush();
    ::_exit(1);
}

} // namespace

double DefaultMemoryLimit()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return 0;
    }
    return std::floor(0.75 * static_cast<double>(pages) * static_cast<double>(pageSize) /
                      (1024.0 * 1024.0));
}

double DefaultTimeLimit(const std::string& input)
{
    std::error_code code;
    const std::uintmax_t bytes = input.empty() ? 0 : std::filesystem::file_size(input, code);
    if (input.empty() || code) {
        return input.empty() ? 900 : 30;
    }
    return std::ceil(30 + 2 * (static_cast<double>(bytes) / (1024.0 * 1024.0)));
}

int GuardedRun(const std::function<int()>& verb, const RunLimits& given, const std::string& input)
{
    RunLimits limits = given;
    if (limits.seconds < 0) {
        limits.seconds = DefaultTimeLimit(input);
    }
    InstallCrashNote(input);
    Outcome outcome;
    outcome.verb = &verb;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, kStackSize);
    pthread_t worker;
    const int started = pthread_create(&worker, &attributes, RunVerb, &outcome);
    pthread_attr_destroy(&attributes);
    if (started != 0) {
        return verb(); // no thread to be had: run as is, without the time limit
    }
    std::unique_lock<std::mutex> lock(outcome.mutex);
    const auto finished = [&] { return outcome.finished; };
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(std::clamp(limits.seconds, 0.0, 1e9)));
    // Memory is looked at this often: a reader filling memory at several gigabytes a second
    // gets a few hundred megabytes past the limit at most.
    const auto poll = std::chrono::milliseconds(20);
    while (!finished()) {
        Clock::duration wait =
            limits.megabytes > 0 ? Clock::duration(poll) : Clock::duration::max();
        if (limits.seconds > 0) {
            wait = std::min(wait, deadline - Clock::now());
        }
        if (wait == Clock::duration::max()) {
            outcome.done.wait(lock, finished);
        } else {
            outcome.done.wait_for(lock, std::max(wait, Clock::duration::zero()), finished);
        }
        if (finished()) {
            break;
        }
        if (limits.seconds > 0 && Clock::now() >= deadline) {
            GiveUp(input, "not finished after " + Number(limits.seconds) +
                              " s (--timeout SECONDS allows more; 0 for no limit)");
        }
        // A read's worker processes count too, by the memory each holds on its own.
        if (limits.megabytes > 0 &&
            ResidentMegabytes() + orvkit::WorkerProcesses::PrivateMegabytes() > limits.megabytes) {
            GiveUp(input, "more than " + Number(limits.megabytes) +
                              " MB of memory needed (--max-memory MB allows more; 0 for no "
                              "limit)");
        }
    }
    lock.unlock();
    pthread_join(worker, nullptr);
    return outcome.exitCode;
}

} // namespace orvex::cli
