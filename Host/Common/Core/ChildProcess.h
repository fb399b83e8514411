#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

namespace orvkit {

// A program run as a child process with no shell between: standard input on /dev/null,
// standard output and standard error on pipes that this object reads without blocking. A child
// still running when the object goes is killed and reaped, so that none is left behind.
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
    // Runs `run` in a copy of this process made with fork(), which needs no program started
    // afresh: the libraries this process has loaded are loaded in the copy. The copy starts as
    // a started program would (standard input on /dev/null, default signal handling, none of
    // the descriptors an exec would close) and ends with `run`'s result as its exit code. Only
    // for a process whose other threads hold no lock that `run` needs, since the copy has none
    // of them. Null, with the reason in `error`, when no process could be made.
    static std::unique_ptr<ChildProcess> Fork(const std::function<int()>& run, std::string& error);

    // The read ends of the child's pipes, for poll(); -1 once a pipe has closed.
    int GetOutputPipe() const { return myOutput.descriptor; }
    int GetErrorPipe() const { return myErrors.descriptor; }
    // Takes whatever the child has written so far, without blocking; closes a pipe when the
    // child has closed its end.
    void Read();
    // Reaps the child if it has ended; true once it has (and from then on).
    bool TryWait();

    // The wait status (see waitpid); meaningful once TryWait returned true.
    int GetStatus() const { return myStatus; }
    // What the child wrote on standard output: the first 16 MiB.
    const std::string& GetOutput() const { return myOutput.text; }
    // What the child wrote on standard error: the last 64 KiB.
    const std::string& GetErrors() const { return myErrors.text; }

private:
    struct Stream {
        int descriptor = -1;
        size_t limit = 0;
        bool keepEnd = false; // what is kept past the limit: the end, or the start
        std::string text;

        void Read();
        void Close();
    };

    ChildProcess(pid_t pid, int outputPipe, int errorPipe);

    pid_t myPid;
    int myStatus = 0;
    bool myEnded = false;
    Stream myOutput;
    Stream myErrors;
};

} // namespace orvkit
