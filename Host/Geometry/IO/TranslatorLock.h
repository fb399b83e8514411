#pragma once

#include <mutex>

namespace orvkit {

// Holds the process-wide lock around OpenCASCADE's data-exchange machinery for as long as it
// lives. OpenCASCADE 7.6 keeps the translators' parameters (Interface_Static), the controllers
// and protocols the readers and writers register on first use, the XCAF application's list of
// open documents and the default messenger's printers once per process, and guards none of
// it. So every read and write of a file through a translator, every parameter change and every
// XCAF document opened or closed through the application runs under this lock: a read holds it
// from the reader's construction to its destruction, since the parameters must stay as set for
// the whole translation.
//
// The lock is recursive: code that holds it may call code that takes it again (a document made
// inside a read, a writer called by ShapeIO::Save). Nothing that waits for another thread or
// for the user (a dialog) may run while it is held. The logger may be called under it; its own
// lock is always taken after this one, never before.
class TranslatorLock {
public:
    TranslatorLock();
    ~TranslatorLock() = default;
    TranslatorLock(const TranslatorLock&) = delete;
    TranslatorLock& operator=(const TranslatorLock&) = delete;

private:
    std::lock_guard<std::recursive_mutex> myLock;
};

} // namespace orvkit
