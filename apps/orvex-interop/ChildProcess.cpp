#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvex::cli {

namespace {

// Enough for any error line; a child that floods its standard error keeps only its end.
constexpr size_t kKeptErrorBytes = 64 * 1024;

std::string ErrorText(int code)
{
    return std::strerror(code);
}

// Closes the descriptors of a failed start and says why it failed.
std::unique_ptr<ChildProcess> Fail(std::string& error, const std::string& reason, int code,
                                   const int (&pipe)[2])
{
    ::close(pipe[0]);
    ::close(pipe[1]);
    error = reason + ": " + ErrorText(code);
    return nullptr;
}

} // namespace

ChildProcess::ChildProcess(pid_t pid, int errorPipe) : myPid(pid), myErrorPipe(errorPipe) {}

ChildProcess::~ChildProcess()
{
    if (!myEnded) {
        ::kill(myPid, SIGKILL);
        while (::waitpid(myPid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    ClosePipe();
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& program,
                                                  const std::string& name,
                                                  const std::vector<std::string>& arguments,
                                                  std::string& error)
{
    // Both ends close on exec: the child gets only the copy put on its descriptor 2, and
    // children started later do not inherit this one's pipe (which would keep it open).
    int pipe[2] = {-1, -1};
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        error = "cannot make a pipe: " + ErrorText(errno);
        return nullptr;
    }
    // Only the parent's end is non-blocking; the child writes its errors as usual.
    if (::fcntl(pipe[0], F_SETFL, O_NONBLOCK) != 0) {
        return Fail(error, "cannot set up a pipe", errno, pipe);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);

    // The child starts with default signal handling and nothing blocked, whatever handlers this
    // process has installed; a fault in the child then ends it as the fault it is.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(name.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int code =
        ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (code != 0) {
        return Fail(error, "cannot run " + program, code, pipe);
    }
    ::close(pipe[1]);
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, pipe[0]));
}

void ChildProcess::ReadErrors()
{
    char buffer[4096];
    while (myErrorPipe >= 0) {
        const ssize_t count = ::read(myErrorPipe, buffer, sizeof buffer);
        if (count > 0) {
            myErrors.append(buffer, static_cast<size_t>(count));
            if (myErrors.size() > kKeptErrorBytes) {
                myErrors.erase(0, myErrors.size() - kKeptErrorBytes);
            }
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        // The end of the stream (the child and anything it started have closed their ends),
        // or a read error that would only repeat.
        ClosePipe();
    }
}

bool ChildProcess::TryWait()
{
    if (myEnded) {
        return true;
    }
    int status = 0;
    const pid_t ended = ::waitpid(myPid, &status, WNOHANG);
    if (ended == myPid) {
        myEnded = true;
        myStatus = status;
    } else if (ended < 0 && errno != EINTR) {
        // Only possible when something else reaped the child; its outcome is lost, so it
        // counts as a failure rather than as a success nobody saw.
        myEnded = true;
        myStatus = 255 << 8;
    }
    return myEnded;
}

void ChildProcess::ClosePipe()
{
    if (myErrorPipe >= 0) {
        ::close(myErrorPipe);
        myErrorPipe = -1;
    }
}

} // namespace orvex::cli
