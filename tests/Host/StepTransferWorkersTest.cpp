// What a read with worker processes does when a worker dies, and that it leaves nothing behind.
// That the workers' documents are the same as one process's is StepAssemblyActorTest's.
#include "AssemblyGenerator.h"
#include "Support/TestSupport.h"

#include "Common/Core/CaptureLogSink.h"
#include "Common/Core/LoadFailure.h"
#include "Common/Core/Logger.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/WorkerProcesses.h"
#include "Interop/Kernel/StepModelReader.h"

#include <TDF_LabelSequence.hxx>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <tuple>
#include <vector>

#include <unistd.h>

#include <sys/wait.h>

using namespace orvkit;
using namespace orvtest;

namespace {

size_t OpenDescriptors()
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

// Whether `worker` has written a result into its memory file: it is then at its next item,
// which it has taken.
bool HasWrittenAResult(pid_t worker)
{
    const std::filesystem::path fds = "/proc/" + std::to_string(worker) + "/fd";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.rfind("/memfd:orvex-transfer", 0) == 0 &&
            std::filesystem::file_size(entry.path(), error) > 0 && !error) {
            return true;
        }
    }
    return false;
}

bool HasChildren()
{
    return ::waitpid(-1, nullptr, WNOHANG) != -1 || errno != ECHILD;
}

class StepTransferWorkersTest : public ::testing::Test {
protected:
    // Enough distinct parts that a worker translates for a while, even in a fast build.
    std::string WriteParts(int parts)
    {
        orvex::bench::AssemblyParameters parameters;
        parameters.parts = parts;
        parameters.instances = parts;
        parameters.depth = 1;
        const std::string path = myDir.File("parts.step");
        EXPECT_TRUE(orvex::bench::WriteAssemblyStep(parameters, path));
        return path;
    }

    static bool Read(const std::string& path, int jobs, XdeDocumentImpl& impl)
    {
        ParameterDict settings;
        settings.Add(StepModelReader::TransferJobsKey, ParameterCreator::Create(jobs));
        return StepModelReader().Open(path, impl, &settings);
    }

    TempDir myDir;
};

TEST_F(StepTransferWorkersTest, AKilledWorkerFailsTheReadAndLeavesNothingBehind)
{
    const std::string path = WriteParts(300);
    const size_t descriptors = OpenDescriptors();
    // Kills each worker as soon as it appears.
    std::atomic<bool> reading{true};
    std::atomic<int> killed{0};
    std::thread killer([&] {
        while (reading) {
            for (const pid_t worker : WorkerProcesses::Running()) {
                if (::kill(worker, SIGKILL) == 0) {
                    ++killed;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    XdeDocumentImpl impl;
    const bool read = Read(path, 3, impl);
    reading = false;
    killer.join();
    ASSERT_GE(killed.load(), 1);
    EXPECT_FALSE(read);
    EXPECT_EQ(impl.failure.kind, LoadFailureTranslatorFault);
    EXPECT_EQ(impl.failure.detail, "a translation worker was killed by SIGKILL");
    EXPECT_TRUE(impl.freeShapes.IsEmpty());
    // Every worker reaped, every memory file closed, none left on the list.
    EXPECT_FALSE(HasChildren());
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_TRUE(WorkerProcesses::Running().empty());

    // The next read of the same file, left alone, is whole.
    XdeDocumentImpl again;
    ASSERT_TRUE(Read(path, 3, again));
    EXPECT_EQ(again.freeShapes.Length(), 1);
    EXPECT_FALSE(HasChildren());
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(StepTransferWorkersTest, AStuckWorkerIsStoppedAndOneThatNeverComesCostsNothing)
{
    // A worker stopped at an item it took (after its first result) must not hold the read for
    // ever: after the wait the read translates the worker's share itself. One stopped before it
    // took anything is never waited for. Either way the document is whole.
    const std::string path = WriteParts(300);
    ::setenv("ORVEX_TRANSFER_PATIENCE", "0.5", 1);
    XdeDocumentImpl alone;
    ASSERT_TRUE(Read(path, 1, alone));
    TDF_LabelSequence shapesAlone;
    alone.shapeTool->GetShapes(shapesAlone);
    EXPECT_EQ(shapesAlone.Length(), 301); // the parts and their assembly
    for (const bool afterAResult : {true, false}) {
        SCOPED_TRACE(afterAResult ? "stopped after a result" : "stopped at once");
        const auto log = std::make_shared<CaptureLogSink>();
        Logger::Instance().AddSink(log);
        std::atomic<bool> reading{true};
        std::atomic<int> stopped{0};
        std::thread stopper([&] {
            while (reading) {
                for (const pid_t worker : WorkerProcesses::Running()) {
                    if (!afterAResult || HasWrittenAResult(worker)) {
                        stopped += ::kill(worker, SIGSTOP) == 0 ? 1 : 0;
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        XdeDocumentImpl impl;
        const bool read = Read(path, 2, impl);
        reading = false;
        stopper.join();
        Logger::Instance().RemoveSink(log);
        ASSERT_GE(stopped.load(), 1);
        ASSERT_TRUE(read);
        EXPECT_FALSE(HasChildren());
        TDF_LabelSequence shapes;
        impl.shapeTool->GetShapes(shapes);
        EXPECT_EQ(shapes.Length(), shapesAlone.Length());
        bool noted = false;
        for (const LogRecord& record : log->GetRecords()) {
            noted = noted || record.text.find("made no progress") != std::string::npos;
        }
        EXPECT_EQ(noted, afterAResult);
    }
    ::unsetenv("ORVEX_TRANSFER_PATIENCE");
}

TEST_F(StepTransferWorkersTest, TwoReadsAtOnceForkTheirWorkersWhileTheOtherTranslates)
{
    // A host reading two files in two threads: each read forks its workers while the other
    // may be translating under the translator lock, which the workers never take. Both
    // documents are whole, and no worker is left behind.
    const std::string path = WriteParts(300);
    XdeDocumentImpl alone;
    ASSERT_TRUE(Read(path, 1, alone));
    XdeDocumentImpl first, second;
    std::atomic<bool> firstRead{false}, secondRead{false};
    std::thread other([&] { secondRead = Read(path, 2, second); });
    firstRead = Read(path, 2, first);
    other.join();
    ASSERT_TRUE(firstRead && secondRead);
    for (const XdeDocumentImpl* impl : {&first, &second}) {
        TDF_LabelSequence shapes, shapesAlone;
        impl->shapeTool->GetShapes(shapes);
        alone.shapeTool->GetShapes(shapesAlone);
        EXPECT_EQ(shapes.Length(), shapesAlone.Length());
    }
    EXPECT_FALSE(HasChildren());
    EXPECT_TRUE(WorkerProcesses::Running().empty());
}

TEST_F(StepTransferWorkersTest, SmallFilesOneJobAndLittleMemoryStayInOneProcess)
{
    // A worker for every part of a few hundred faces would cost more than it saves; one
    // process has no room for a second model under a limit of 1 MB.
    const std::string large = myDir.File("large.step");
    std::filesystem::copy_file(WriteParts(300), large);
    const std::string small = WriteParts(20);
    for (const auto& [path, jobs, megabytes] :
         {std::tuple(small, 1, 0.0), std::tuple(small, 2, 0.0), std::tuple(large, 2, 1.0)}) {
        WorkerProcesses::SetMemoryLimit(megabytes);
        XdeDocumentImpl impl;
        std::atomic<bool> reading{true};
        std::atomic<bool> seen{false};
        std::thread watcher([&] {
            while (reading) {
                seen = seen || !WorkerProcesses::Running().empty();
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        EXPECT_TRUE(Read(path, jobs, impl));
        reading = false;
        watcher.join();
        EXPECT_FALSE(seen) << path << ", " << jobs << " jobs, " << megabytes << " MB";
    }
    WorkerProcesses::SetMemoryLimit(0);
}

TEST(WorkerProcessesTest, AWorkersMemoryCountsWhatItTakesAfterTheFork)
{
    // A worker that, once told, writes 64 MB of its own, says so and waits to be killed.
    int go[2];
    int ready[2];
    ASSERT_EQ(::pipe(go), 0);
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t worker = ::fork();
    if (worker == 0) {
        char signal = 0;
        (void)!::read(go[0], &signal, 1);
        std::vector<char> own(64 << 20, 1);
        (void)!::write(ready[1], &own[own.size() / 2], 1);
        ::pause();
        ::_exit(0);
    }
    ASSERT_GT(worker, 0);
    WorkerProcesses::Add(worker);
    EXPECT_LT(WorkerProcesses::PrivateMegabytes(), 16.0); // all it holds is still shared
    char signal = 1;
    ASSERT_EQ(::write(go[1], &signal, 1), 1);
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    const double megabytes = WorkerProcesses::PrivateMegabytes();
    EXPECT_GE(megabytes, 60.0);
    EXPECT_LT(megabytes, 100.0);
    ::kill(worker, SIGKILL);
    ::waitpid(worker, nullptr, 0);
    WorkerProcesses::Remove(worker);
    EXPECT_EQ(WorkerProcesses::PrivateMegabytes(), 0.0);
    for (const int end : {go[0], go[1], ready[0], ready[1]}) {
        ::close(end);
    }
}

} // namespace
