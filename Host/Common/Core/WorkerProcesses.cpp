#include "Common/Core/WorkerProcesses.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace orvkit::WorkerProcesses {

namespace {

std::mutex& ListMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Each worker with its resident pages when it was added.
std::vector<std::pair<pid_t, long long>>& List()
{
    static std::vector<std::pair<pid_t, long long>> workers;
    return workers;
}

// The resident pages of `process` ("self" or a number); 0 once it is gone.
long long ResidentPages(const std::string& process)
{
    FILE* file = std::fopen(("/proc/" + process + "/statm").c_str(), "re");
    if (file == nullptr) {
        return 0;
    }
    long long size = 0;
    long long resident = 0;
    const bool read = std::fscanf(file, "%lld %lld", &size, &resident) == 2;
    std::fclose(file);
    return read ? resident : 0;
}

} // namespace

void Add(pid_t worker)
{
    // Just forked, the worker holds what this process holds.
    const long long shared = ResidentPages("self");
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
    long long pages = 0;
    for (const auto& [worker, shared] : workers) {
        pages += std::max(0LL, ResidentPages(std::to_string(worker)) - shared);
    }
    return static_cast<double>(pages) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

} // namespace orvkit::WorkerProcesses
