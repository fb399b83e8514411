#pragma once

#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

namespace orvex::cli {

// A program run as a child process with no shell between: standard input and output on
// /dev/null, standard error on a pipe that this object reads without blocking. A child still
// running when the object goes is killed and reaped, so that none is left behind.
class ChildProcess {
public:
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `arguments` (argv[1] on; argv[0] is `name`). Returns null, with
    // the reason in `error`, when no process could be started or the program cannot be run.
    static std::unique_ptr<ChildProcess> Start(const std::string& program, const std::string& name,
                                               const std::vector<std::string>& arguments,
                                               std::string& error);

    // The read end of the child's standard-error pipe, for poll(); -1 once the pipe has closed.
    int GetErrorPipe() const { return myErrorPipe; }
    // Takes whatever the child has written on standard error so far, without blocking; closes
    // the pipe when the child has closed its end. Keeps at most the last 64 KiB.
    void ReadErrors();
    // Reaps the child if it has ended; true once it has (and from then on).
    bool TryWait();

    // The wait status (see waitpid); meaningful once TryWait returned true.
    int GetStatus() const { return myStatus; }
    // What the child wrote on standard error.
    const std::string& GetErrors() const { return myErrors; }

private:
    ChildProcess(pid_t pid, int errorPipe);
    void ClosePipe();

    pid_t myPid;
    int myErrorPipe;
    int myStatus = 0;
    bool myEnded = false;
    std::string myErrors;
};

} // namespace orvex::cli
