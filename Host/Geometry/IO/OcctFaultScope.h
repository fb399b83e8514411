#pragma once

class Standard_Failure;

namespace orvkit {

// While at least one scope lives, memory faults and other synchronous signals inside
// OpenCASCADE become exceptions that CaughtFailure::Guard (or a `try { OCC_CATCH_SIGNALS ... }`
// block) can catch, also when the fault is a stack overflow: the handler runs on an alternate
// stack that every thread entering a scope gets. The application's own handlers are saved when
// the first scope opens and put back when the last one closes; interrupt, hang-up and quit keep
// the application's handling throughout, so Ctrl-C during a long read ends the program as it
// would without us. Scopes may nest and may live in several threads at once.
class OcctFaultScope {
public:
    OcctFaultScope();
    ~OcctFaultScope();
    OcctFaultScope(const OcctFaultScope&) = delete;
    OcctFaultScope& operator=(const OcctFaultScope&) = delete;

    // Whether a caught failure is a signal turned into an exception (OSD_SIGSEGV and its kin,
    // or the plain Standard_Failure raised for a signal without an exception object of its own,
    // a stack overflow among them) rather than an exception the translator threw itself. A
    // fault's own text holds an address, which tells a user nothing.
    static bool IsFault(const Standard_Failure& failure);
};

} // namespace orvkit
