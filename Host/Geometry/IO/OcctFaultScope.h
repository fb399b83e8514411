#pragma once

namespace orvkit {

// While at least one scope lives, memory faults and other synchronous signals inside
// OpenCASCADE become exceptions that a `try { OCC_CATCH_SIGNALS ... }` block can catch, also
// when the fault is a stack overflow: the handler runs on an alternate stack that every thread
// entering a scope gets. The application's own handlers are saved when the first scope opens
// and put back when the last one closes; interrupt, hang-up and quit keep the application's
// handling throughout, so Ctrl-C during a long read ends the program as it would without us.
// Scopes may nest and may live in several threads at once.
class OcctFaultScope {
public:
    OcctFaultScope();
    ~OcctFaultScope();
    OcctFaultScope(const OcctFaultScope&) = delete;
    OcctFaultScope& operator=(const OcctFaultScope&) = delete;
};

} // namespace orvkit
