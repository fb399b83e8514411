#include "Common/Core/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <iostream>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvkit {

namespace {

// Enough for any error line; a child that floods its standard error keeps only its end.
constexpr size_t kKeptErrorBytes = 64 * 1024;
// A report of a few thousand warnings; a child that says more keeps only the start, which
// then does not parse.
constexpr size_t kKeptOutputBytes = 16 * 1024 * 1024;

std::string ErrorText(int code)
{
    return std::strerror(code);
}

void CloseAll(std::initializer_list<int*> descriptors)
{
    for (int* descriptor : descriptors) {
        if (*descriptor >= 0) {
            ::close(*descriptor);
            *descriptor = -1;
        }
    }
}

// A pipe whose ends close on exec, so that the child gets only the copy put on its standard
// descriptor and children started later do not inherit it (which would keep it open); only
// the parent's end is non-blocking.
bool MakePipe(int (&ends)[2], std::string& error)
{
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        error = "cannot make a pipe: " + ErrorText(errno);
        return false;
    }
    if (::fcntl(ends[0], F_SETFL, O_NONBLOCK) != 0) {
        error = "cannot set up a pipe: " + ErrorText(errno);
        CloseAll({&ends[0], &ends[1]});
        return false;
    }
    return true;
}

// Both pipes of a child: its standard output and its standard error.
bool MakePipes(int (&output)[2], int (&errors)[2], std::string& error)
{
    if (!MakePipe(output, error)) {
        return false;
    }
    if (!MakePipe(errors, error)) {
        CloseAll({&output[0], &output[1]});
        return false;
    }
    return true;
}

// Closes what an exec would have closed: every descriptor marked close-on-exec, among them the
// pipes of the other children. Those would otherwise stay open in this one for as long as it
// runs.
void CloseExecClosedDescriptors()
{
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) {
        return;
    }
    const int own = ::dirfd(folder);
    std::vector<int> closing;
    while (const dirent* entry = ::readdir(folder)) {
        // "." and ".." read as 0, which stays like the other standard descriptors.
        const int descriptor = std::atoi(entry->d_name);
        if (descriptor > STDERR_FILENO && descriptor != own) {
            const int flags = ::fcntl(descriptor, F_GETFD);
            if (flags >= 0 && (flags & FD_CLOEXEC) != 0) {
                closing.push_back(descriptor);
            }
        }
    }
    ::closedir(folder);
    for (const int descriptor : closing) {
        ::close(descriptor);
    }
}

// Makes the copy made by fork() start as a started program does.
void EnterForkedChild(int output, int errors)
{
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP) {
            ::signal(signal, SIG_DFL);
        }
    }
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::dup2(nothing, STDIN_FILENO);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(errors, STDERR_FILENO);
    CloseExecClosedDescriptors();
}

} // namespace

void ChildProcess::Stream::Read()
{
    char buffer[4096];
    while (descriptor >= 0) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count > 0) {
            if (keepEnd) {
                text.append(buffer, static_cast<size_t>(count));
                if (text.size() > limit) {
                    text.erase(0, text.size() - limit);
                }
            } else if (text.size() < limit) {
                text.append(buffer, std::min(static_cast<size_t>(count), limit - text.size()));
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
        Close();
    }
}

void ChildProcess::Stream::Close()
{
    CloseAll({&descriptor});
}

ChildProcess::ChildProcess(pid_t pid, int outputPipe, int errorPipe) : myPid(pid)
{
    myOutput = {outputPipe, kKeptOutputBytes, false, {}};
    myErrors = {errorPipe, kKeptErrorBytes, true, {}};
}

ChildProcess::~ChildProcess()
{
    if (!myEnded) {
        ::kill(myPid, SIGKILL);
        while (::waitpid(myPid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    myOutput.Close();
    myErrors.Close();
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& program,
                                                  const std::string& name,
                                                  const std::vector<std::string>& arguments,
                                                  std::string& error)
{
    int output[2] = {-1, -1};
    int errors[2] = {-1, -1};
    if (!MakePipes(output, errors, error)) {
        return nullptr;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);

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
    CloseAll({&output[1], &errors[1]});
    if (code != 0) {
        CloseAll({&output[0], &errors[0]});
        error = "cannot run " + program + ": " + ErrorText(code);
        return nullptr;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, output[0], errors[0]));
}

std::unique_ptr<ChildProcess> ChildProcess::Fork(const std::function<int()>& run,
                                                 std::string& error)
{
    int output[2] = {-1, -1};
    int errors[2] = {-1, -1};
    if (!MakePipes(output, errors, error)) {
        return nullptr;
    }
    // Whatever this process has buffered would otherwise be written a second time, by the copy.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        EnterForkedChild(output[1], errors[1]);
        int code = 1;
        try {
            code = run();
        } catch (const std::exception& failure) {
            std::cerr << failure.what() << "\n";
        }
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        // Not exit(): what this process set up at its start (static objects, atexit handlers)
        // is this process's to tear down, once.
        ::_exit(code);
    }
    const int code = errno;
    CloseAll({&output[1], &errors[1]});
    if (pid < 0) {
        CloseAll({&output[0], &errors[0]});
        error = "cannot start a process: " + ErrorText(code);
        return nullptr;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, output[0], errors[0]));
}

void ChildProcess::Read()
{
    myOutput.Read();
    myErrors.Read();
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

} // namespace orvkit
