#include "OcctFaultScope.h"

#include "Geometry/IO/OcctServices.h"

#include <OSD.hxx>
#include <Standard_Failure.hxx>

#include <csignal>
#include <cstdlib>
#include <mutex>
#include <string>

namespace orvkit {

namespace {

// The signals OpenCASCADE's OSD::SetSignal takes over.
const int kSignals[] = {SIGFPE, SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGBUS, SIGSYS, SIGSEGV};
const int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

// Big enough for OpenCASCADE's handler, which formats its message and allocates the exception
// on the stack it runs on.
const size_t kAlternateStackSize = 256 * 1024;

std::mutex theMutex;
int theOpenScopes = 0;
struct sigaction theSaved[kSignalCount];

// A thread's alternate signal stack, made the first time the thread opens a scope and kept
// until it ends. A thread that already has one (the sanitizers give every thread one) keeps
// its own.
class AlternateStack {
public:
    AlternateStack()
    {
        stack_t current{};
        if (::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0) {
            return;
        }
        myMemory = std::malloc(kAlternateStackSize);
        if (myMemory == nullptr) {
            return;
        }
        stack_t stack{};
        stack.ss_sp = myMemory;
        stack.ss_size = kAlternateStackSize;
        if (::sigaltstack(&stack, nullptr) != 0) {
            std::free(myMemory);
            myMemory = nullptr;
        }
    }

    ~AlternateStack()
    {
        if (myMemory != nullptr) {
            stack_t disable{};
            disable.ss_flags = SS_DISABLE;
            ::sigaltstack(&disable, nullptr);
            std::free(myMemory);
        }
    }

    AlternateStack(const AlternateStack&) = delete;
    AlternateStack& operator=(const AlternateStack&) = delete;

private:
    void* myMemory = nullptr;
};

bool IsFault(int signal)
{
    return signal != SIGHUP && signal != SIGINT && signal != SIGQUIT;
}

void Install()
{
    for (int i = 0; i < kSignalCount; ++i) {
        ::sigaction(kSignals[i], nullptr, &theSaved[i]);
    }
    // Floating-point traps stay off: the translators compute with infinities on purpose.
    OSD::SetSignal(OSD_SignalMode_Set, Standard_False);
    for (int i = 0; i < kSignalCount; ++i) {
        if (!IsFault(kSignals[i])) {
            ::sigaction(kSignals[i], &theSaved[i], nullptr);
            continue;
        }
        // A stack overflow leaves no room to run a handler on the thread's own stack.
        struct sigaction action {};
        if (::sigaction(kSignals[i], nullptr, &action) == 0) {
            action.sa_flags |= SA_ONSTACK;
            ::sigaction(kSignals[i], &action, nullptr);
        }
    }
}

void Restore()
{
    for (int i = 0; i < kSignalCount; ++i) {
        if (IsFault(kSignals[i])) {
            ::sigaction(kSignals[i], &theSaved[i], nullptr);
        }
    }
}

} // namespace

OcctFaultScope::OcctFaultScope()
{
    InstallOcctServices();
    static thread_local AlternateStack stack;
    std::lock_guard<std::mutex> lock(theMutex);
    if (theOpenScopes++ == 0) {
        Install();
    }
}

bool OcctFaultScope::IsFault(const Standard_Failure& failure)
{
    const std::string type = failure.DynamicType()->Name();
    return type.rfind("OSD_SIG", 0) == 0 || type == "Standard_Failure";
}

OcctFaultScope::~OcctFaultScope()
{
    std::lock_guard<std::mutex> lock(theMutex);
    if (--theOpenScopes == 0) {
        Restore();
    }
}

} // namespace orvkit
