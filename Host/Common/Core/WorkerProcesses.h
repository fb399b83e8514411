#pragma once

#include <vector>

#include <sys/types.h>

namespace orvkit {

// The processes this one forked to share a piece of work (a read translating parts on every
// core), so that a limit on this process's memory counts theirs too. One list per process.
namespace WorkerProcesses {

// Call right after the fork: the worker's memory is counted from what it holds then, all of it
// shared with this process.
void Add(pid_t worker);
void Remove(pid_t worker);
// The workers added and not yet removed.
std::vector<pid_t> Running();

// The memory the workers hold besides what they shared with this process when they were
// forked, in megabytes: the growth of their resident heap, which is cheap to read while they
// run. A shared page a worker has written to, and so copied, is not counted.
double PrivateMegabytes();

// The most memory, in megabytes, that the program lets this process and its workers take; 0
// (the default) for none.
void SetMemoryLimit(double megabytes);
// How much more memory this process and its workers may take: what the machine has free, and
// what the limit leaves beside what they hold.
double RoomMegabytes();

} // namespace WorkerProcesses

} // namespace orvkit
