// Children run as copies of this process: what they start with, and how their ends are seen.
#include "Support/TestSupport.h"

#include "Common/Core/ChildProcess.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvkit;

namespace {

// Runs `run` in a forked child to its end and returns it, its pipes read to the end.
std::unique_ptr<ChildProcess> RunForked(const std::function<int()>& run)
{
    std::string error;
    std::unique_ptr<ChildProcess> child = ChildProcess::Fork(run, error);
    EXPECT_TRUE(child) << error;
    while (child && !child->TryWait()) {
        child->Read();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (child) {
        child->Read();
    }
    return child;
}

// The descriptors above standard error that are open, as "3 7 ": all of them, or those an
// exec keeps.
std::string OpenDescriptors(bool keptOnExec)
{
    std::string open;
    for (int descriptor = 3; descriptor < 1024; ++descriptor) {
        const int flags = ::fcntl(descriptor, F_GETFD);
        if (flags >= 0 && (!keptOnExec || (flags & FD_CLOEXEC) == 0)) {
            open += std::to_string(descriptor) + " ";
        }
    }
    return open;
}

TEST(ChildProcessTest, AForkedChildStartsAsAStartedProgramWould)
{
    // What this process has that an exec would not pass on: a pipe that closes on exec (as
    // another child's pipes do), a handler, an ignored signal, a blocked one. A descriptor
    // without close-on-exec an exec keeps, and so does the copy.
    int closing[2];
    ASSERT_EQ(::pipe2(closing, O_CLOEXEC), 0);
    const int kept = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(kept, 0);
    struct sigaction handler {};
    handler.sa_handler = [](int) {};
    ASSERT_EQ(::sigaction(SIGUSR1, &handler, nullptr), 0);
    ::signal(SIGUSR2, SIG_IGN);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &blocked, nullptr), 0);

    const std::string keptOnExec = OpenDescriptors(true);
    const std::unique_ptr<ChildProcess> child = RunForked([] {
        struct sigaction usr1 {};
        struct sigaction usr2 {};
        ::sigaction(SIGUSR1, nullptr, &usr1);
        ::sigaction(SIGUSR2, nullptr, &usr2);
        sigset_t mask;
        ::pthread_sigmask(SIG_BLOCK, nullptr, &mask);
        char byte = 0;
        std::cout << "stdin " << ::read(STDIN_FILENO, &byte, 1) << "\n"
                  << "defaults " << (usr1.sa_handler == SIG_DFL) << (usr2.sa_handler == SIG_DFL)
                  << (sigismember(&mask, SIGTERM) == 0) << "\n"
                  << "open " << OpenDescriptors(false) << "\n";
        std::cerr << "to the error pipe\n";
        return 3;
    });
    ::pthread_sigmask(SIG_UNBLOCK, &blocked, nullptr);
    ::signal(SIGUSR1, SIG_DFL);
    ::signal(SIGUSR2, SIG_DFL);
    ::close(closing[0]);
    ::close(closing[1]);
    ::close(kept);

    ASSERT_TRUE(child);
    ASSERT_TRUE(WIFEXITED(child->GetStatus()));
    EXPECT_EQ(WEXITSTATUS(child->GetStatus()), 3);
    EXPECT_NE(keptOnExec.find(std::to_string(kept) + " "), std::string::npos);
    EXPECT_EQ(child->GetOutput(), "stdin 0\ndefaults 111\nopen " + keptOnExec + "\n");
    EXPECT_EQ(child->GetErrors(), "to the error pipe\n");
}

TEST(ChildProcessTest, AForkedChildEndsByItsFaultOrItsExceptionAndWritesNothingTwice)
{
    const std::unique_ptr<ChildProcess> faulted = RunForked([] {
        std::raise(SIGSEGV);
        return 0;
    });
    ASSERT_TRUE(faulted);
    ASSERT_TRUE(WIFSIGNALED(faulted->GetStatus()));
    EXPECT_EQ(WTERMSIG(faulted->GetStatus()), SIGSEGV);

    const std::unique_ptr<ChildProcess> threw =
        RunForked([]() -> int { throw std::runtime_error("no such part"); });
    ASSERT_TRUE(threw);
    EXPECT_EQ(threw->GetStatus(), 1 << 8);
    EXPECT_EQ(threw->GetErrors(), "no such part\n");

    // What this process has buffered but not yet written is written once, by this process.
    orvtest::TempDir dir;
    const std::string path = dir.File("buffered.txt");
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("written once\n", file);
    const std::unique_ptr<ChildProcess> child = RunForked([] { return 0; });
    std::fclose(file);
    ASSERT_TRUE(child);
    EXPECT_EQ(child->GetStatus(), 0);
    EXPECT_EQ(orvtest::ReadWholeFile(path), "written once\n");
}

} // namespace
