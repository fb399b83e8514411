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

TEST_F(StepTransferWorkersTest, AWorkerThatMakesNoProgressIsStoppedAndTheReadGoesOn)
{
    // A worker that never finishes (here: stopped) must not hold the read for ever; after the
    // wait the read translates the worker's share itself and the document is whole.
    const std::string path = WriteParts(300);
    ::setenv("ORVEX_TRANSFER_PATIENCE", "0.5", 1);
    const auto log = std::make_shared<CaptureLogSink>();
    Logger::Instance().AddSink(log);
    std::atomic<bool> reading{true};
    std::atomic<int> stopped{0};
    std::thread stopper([&] {
        while (reading) {
            for (const pid_t worker : WorkerProcesses::Running()) {
                stopped += ::kill(worker, SIGSTOP) == 0 ? 1 : 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    XdeDocumentImpl impl;
    const bool read = Read(path, 2, impl);
    reading = false;
    stopper.join();
    Logger::Instance().RemoveSink(log);
    ::unsetenv("ORVEX_TRANSFER_PATIENCE");
    ASSERT_GE(stopped.load(), 1);
    ASSERT_TRUE(read);
    EXPECT_FALSE(HasChildren());
    XdeDocumentImpl alone;
    ASSERT_TRUE(Read(path, 1, alone));
    TDF_LabelSequence shapes, shapesAlone;
    impl.shapeTool->GetShapes(shapes);
    alone.shapeTool->GetShapes(shapesAlone);
    EXPECT_EQ(shapes.Length(), shapesAlone.Length());
    EXPECT_EQ(shapes.Length(), 301); // the parts and their assembly
    bool noted = false;
    for (const LogRecord& record : log->GetRecords()) {
        noted = noted || record.text.find("made no progress") != std::string::npos;
    }
    EXPECT_TRUE(noted);
}

TEST_F(StepTransferWorkersTest, SmallFilesAndOneJobStayInOneProcess)
{
    // A worker for every part of a few hundred faces would cost more than it saves.
    const std::string path = WriteParts(20);
    for (const int jobs : {1, 2}) {
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
        EXPECT_FALSE(seen) << jobs << " jobs";
    }
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
