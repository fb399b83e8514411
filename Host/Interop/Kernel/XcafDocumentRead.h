#pragma once

#include "Common/Core/LoadFailure.h"
#include "Common/Core/Logger.h"
#include "Geometry/IO/CaughtFailure.h"
#include "Geometry/IO/OcctFaultScope.h"
#include "Geometry/IO/OcctMessageCapture.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Interop/Kernel/KernelProgress.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/ModelReadOutcome.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <IFSelect_ReturnStatus.hxx>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace orvkit {

// What a format brings to ReadIntoDocument besides its configured reader.
template <class Reader> struct ReadHooks {
    // Parses the file into the reader's session. Nothing when it did; otherwise why not, empty
    // for the translator's own first complaint. OpenCASCADE's ReadFile unless set.
    std::function<std::optional<std::string>(Reader&)> parse;
    // Runs between parsing and translating; a non-empty text refuses the file for that reason.
    std::function<std::string(Reader&)> beforeTransfer;
    // Runs after translating; a non-empty text fails the read, as a translator fault, for that
    // reason.
    std::function<std::string(Reader&)> afterTransfer;
    // Parsing done before the read took the lock, counted in the parse's time.
    double parsedBeforeSeconds = 0;
};

// The parse and the transfer of ReadIntoDocument, which guards them. A failure, with the
// document emptied, when the file does not parse or the hooks refuse it; `done` is what the
// transfer gave.
template <class Reader>
ModelReadOutcome ParseAndTransfer(Reader& reader, const std::string& path, XdeDocumentImpl& impl,
                                  const char* format, const ReadHooks<Reader>& hooks,
                                  KernelProgress& progress, const OcctMessageCapture& messages,
                                  bool& done)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    progress.Parsing();
    const std::optional<std::string> unparsed =
        hooks.parse ? hooks.parse(reader)
                    : (reader.ReadFile(path.c_str()) == IFSelect_RetDone
                           ? std::nullopt
                           : std::optional<std::string>(std::string()));
    const std::string refusal =
        unparsed ? *unparsed : (hooks.beforeTransfer ? hooks.beforeTransfer(reader) : "");
    if (unparsed && refusal.empty()) {
        impl.CreateNew();
        return {{LoadFailureParseError, format, messages.GetFirstFailure()},
                std::string(format) + " reader: cannot read " + path};
    }
    if (!refusal.empty()) {
        impl.CreateNew();
        return {{LoadFailureParseError, format, refusal},
                std::string(format) + " reader: cannot read " + path + " (" + refusal + ")"};
    }
    const Clock::time_point parsed = Clock::now();
    done = reader.Transfer(impl.document, progress.Start());
    if (const std::string fault = hooks.afterTransfer ? hooks.afterTransfer(reader) : "";
        !fault.empty()) {
        impl.CreateNew();
        return {{LoadFailureTranslatorFault, format, fault},
                std::string(format) + " reader: translation of " + path + " failed: " + fault};
    }
    // Where a long read went: the benchmark and people with slow files read this line.
    Logger::Instance().Message(
        1, "%s reader: parsed %s in %.3f s, translated it in %.3f s", format, path.c_str(),
        hooks.parsedBeforeSeconds + std::chrono::duration<double>(parsed - started).count(),
        std::chrono::duration<double>(Clock::now() - parsed).count());
    return {};
}

// Reads `path` with an XCAF reader into a fresh document in `impl`. The reader is configured
// by the caller; faults and exceptions of the translator give a failure and an empty document.
// The caller holds a TranslatorLock from before the reader was made; the read takes it again,
// so that a caller who forgot still translates under it.
template <class Reader>
ModelReadOutcome ReadIntoDocument(Reader& reader, const std::string& path, XdeDocumentImpl& impl,
                                  const char* format, const ReadHooks<Reader>& hooks = {})
{
    const TranslatorLock lock;
    if (LoadFailure unopened = LoadFailure::CheckFile(path)) {
        unopened.format = format;
        return {unopened, "Cannot open file: " + path + " (" + unopened.Describe() + ")"};
    }
    impl.CreateNew();
    bool done = false;
    ModelReadOutcome parsed;
    // The document's own handler when its reader was given one; else the framework's.
    KernelProgress progress(format,
                            impl.progress ? impl.progress : Progress::Instance().GetHandler());
    OcctFaultScope faults;
    OcctMessageCapture messages;
    const std::optional<CaughtFailure> caught = CaughtFailure::Guard(
        [&] {
            parsed = ParseAndTransfer(reader, path, impl, format, hooks, progress, messages, done);
        },
        CaughtFailure::OcctOnly);
    if (caught) {
        impl.CreateNew();
        const std::string why = DescribeTranslatorFailure(*caught);
        return {{LoadFailureTranslatorFault, format, why},
                std::string(format) + " reader: translation of " + path + " failed: " + why};
    }
    if (!parsed) {
        return parsed;
    }
    if (progress.IsCancelled()) {
        impl.CreateNew();
        return {{LoadFailureCancelled, format, {}},
                std::string(format) + " reader: the read of " + path + " was cancelled"};
    }
    impl.RefreshTools();
    if (!done && impl.freeShapes.IsEmpty()) {
        return {{LoadFailureNothingTransferable, format, messages.GetFirstFailure()},
                std::string(format) + " reader: no shape could be translated from " + path};
    }
    return {};
}

} // namespace orvkit
