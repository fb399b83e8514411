#pragma once

#include "Common/Core/Progress.h"

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressRange.hxx>

#include <memory>
#include <string>

namespace orvkit {

// Forwards a translator's progress to a progress handler for the length of one read, and the
// handler's wish to stop to the translator. Without a handler it does nothing and the
// translator runs without an indicator.
class KernelProgress {
public:
    // `handler` hears of the read; null: none.
    KernelProgress(const char* format, std::shared_ptr<ProgressHandler> handler);
    ~KernelProgress();
    KernelProgress(const KernelProgress&) = delete;
    KernelProgress& operator=(const KernelProgress&) = delete;

    // Says that the file is being parsed (the parser itself reports nothing).
    void Parsing() const;
    // The range to hand to the translator's Transfer.
    Message_ProgressRange Start();
    // Whether the handler asked the read to stop.
    bool IsCancelled() const { return myHandler && myHandler->IsCancelled(); }

private:
    std::shared_ptr<ProgressHandler> myHandler;
    Handle(Message_ProgressIndicator) myIndicator;
    std::string myFormat;
};

} // namespace orvkit
