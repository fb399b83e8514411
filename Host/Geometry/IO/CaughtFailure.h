#pragma once

#include <functional>
#include <optional>
#include <string>

namespace orvkit {

// What a guarded piece of OpenCASCADE work threw, in words, so that every place that runs a
// translator, a writer or a repair catches the same way and only chooses its own sentence.
struct CaughtFailure {
    enum EnumKind {
        // A Standard_Failure, a signal turned into one included.
        OcctFailure,
        // A std::exception.
        StandardException,
        // Anything else.
        UnknownException,
    };
    // Which exceptions Guard catches.
    enum EnumCatch {
        // Only OpenCASCADE's failures; anything else goes on to the caller.
        OcctOnly,
        // OpenCASCADE's failures and standard exceptions; anything else goes on to the caller.
        OcctAndStandard,
        // Every exception.
        Everything,
    };

    EnumKind kind = UnknownException;
    // The failure's dynamic type ("Standard_OutOfRange", "OSD_SIGSEGV"), the exception's C++
    // class ("std::bad_alloc"), or "unknown exception".
    std::string type;
    // The exception's own text; empty when it has none.
    std::string message;
    // Whether it is a signal turned into an exception (OcctFaultScope::IsFault): its text holds
    // an address, which tells a user nothing.
    bool fault = false;

    // "type: message", or the type alone when there is no message.
    std::string Describe() const;

    // Runs `work` with OpenCASCADE's signal handling armed (OCC_CATCH_SIGNALS), so that a fault
    // inside it arrives as an exception while an OcctFaultScope is open. Nothing when `work`
    // returned; what it threw otherwise, for the exceptions `what` names.
    static std::optional<CaughtFailure> Guard(const std::function<void()>& work,
                                              EnumCatch what = Everything);
};

} // namespace orvkit
