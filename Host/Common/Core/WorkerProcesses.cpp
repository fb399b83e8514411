#include "Common/Core/WorkerProcesses.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace orvkit::WorkerProcesses {

namespace {

std::mutex& ListMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Each worker with the anonymous memory it shared when it was added, in kilobytes.
std::vector<std::pair<pid_t, long long>>& List()
{
    static std::vector<std::pair<pid_t, long long>> workers;
    return workers;
}

// What SetMemoryLimit set, in megabytes; 0: none.
std::atomic<double> theMemoryLimit{0.0};

// The kilobytes a line of a /proc file gives (`format` reads one number); 0 when there is none.
long long ProcKilobytes(const std::string& path, const char* format)
{
    FILE* file = std::fopen(path.c_str(), "re");
    if (file == nullptr) {
        return 0;
    }
    long long kilobytes = 0;
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::sscanf(line, format, &kilobytes) == 1) {
            break;
        }
    }
    std::fclose(file);
    return kilobytes;
}

// The resident anonymous memory of `process` ("self" or a number), in kilobytes: the heap and
// stacks, which a fork shares page for page; 0 once it is gone.
long long AnonymousKilobytes(const std::string& process)
{
    return ProcKilobytes("/proc/" + process + "/status", "RssAnon: %lld");
}

} // namespace

void Add(pid_t worker)
{
    // Just forked, the worker shares this process's heap.
    const long long shared = AnonymousKilobytes("self");
    const std::lock_guard<std::mutex> lock(ListMutex());
    List().emplace_back(worker, shared);
}

void Remove(pid_t worker)
{
    const std::lock_guard<std::mutex> lock(ListMutex());
    auto& workers = List();
    workers.erase(std::remove_if(workers.begin(), workers.end(),
                                 [worker](const auto& entry) { return entry.first == worker; }),
                  workers.end());
}

std::vector<pid_t> Running()
{
    const std::lock_guard<std::mutex> lock(ListMutex());
    std::vector<pid_t> running;
    for (const auto& entry : List()) {
        running.push_back(entry.first);
    }
    return running;
}

double PrivateMegabytes()
{
    std::vector<std::pair<pid_t, long long>> workers;
    {
        const std::lock_guard<std::mutex> lock(ListMutex());
        workers = List();
    }
    long long kilobytes = 0;
    for (const auto& [worker, shared] : workers) {
        kilobytes += std::max(0LL, AnonymousKilobytes(std::to_string(worker)) - shared);
    }
    return static_cast<double>(kilobytes) / 1024.0;
}

void SetMemoryLimit(double megabytes)
{
    theMemoryLimit.store(std::max(0.0, megabytes));
}

double RoomMegabytes()
{
    double room = static_cast<double>(ProcKilobytes("/proc/meminfo", "MemAvailable: %lld")) / 1024;
    if (const double limit = theMemoryLimit.load(); limit > 0) {
        const double resident =
            static_cast<double>(ProcKilobytes("/proc/self/status", "VmRSS: %lld")) / 1024;
        room = std::min(room, limit - resident - PrivateMegabytes());
    }
    return std::max(0.0, room);
}

} // namespace orvkit::WorkerProcesses
