#pragma once

#include "Common/Core/LoadFailure.h"
#include "Common/Core/Logger.h"
#include "Geometry/IO/CaughtFailure.h"
#include "Geometry/IO/OcctFaultScope.h"
#include "Geometry/IO/OcctMessageCapture.h"
#include "Geometry/IO/OcctServices.h"
#include "Geometry/IO/ReplacingWrite.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Interop/Kernel/KernelProgress.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <IFSelect_ReturnStatus.hxx>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvkit {

// The words for a caught translator exception; a fault's own text holds an address, which
// tells a user nothing.
std::string DescribeTranslatorFailure(const CaughtFailure& failure);

// Records `failure` as the document's and the thread's last failure, logs `logText` at level 4
// and returns false.
bool FailLoad(XdeDocumentImpl& impl, const LoadFailure& failure, const std::string& logText);

// Records that no XDE reader takes `extension` (nothing is logged: the callers stay silent
// about other files) and returns false.
bool RefuseExtension(XdeDocumentImpl& impl, const std::string& extension);

// The parse and the transfer of ReadIntoDocument, which guards them. False, with the failure
// recorded and the document emptied, when the file does not parse or `beforeTransfer` refuses
// it; `done` is what the transfer gave.
template <class Reader, class BeforeTransfer>
bool ParseAndTransfer(Reader& reader, const std::string& path, XdeDocumentImpl& impl,
                      const char* format, BeforeTransfer& beforeTransfer, KernelProgress& progress,
                      const OcctMessageCapture& messages, bool& done)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    progress.Parsing();
    if (reader.ReadFile(path.c_str()) != IFSelect_RetDone) {
        impl.CreateNew();
        return FailLoad(impl, {LoadFailureParseError, format, messages.GetFirstFailure()},
                        std::string(format) + " reader: cannot read " + path);
    }
    const Clock::time_point parsed = Clock::now();
    const std::string refusal = beforeTransfer(reader);
    if (!refusal.empty()) {
        impl.CreateNew();
        return FailLoad(impl, {LoadFailureParseError, format, refusal},
                        std::string(format) + " reader: cannot read " + path + " (" + refusal +
                            ")");
    }
    done = reader.Transfer(impl.document, progress.Start());
    // Where a long read went: the benchmark and people with slow files read this line.
    Logger::Instance().Message(1, "%s reader: parsed %s in %.3f s, translated it in %.3f s", format,
                               path.c_str(),
                               std::chrono::duration<double>(parsed - started).count(),
                               std::chrono::duration<double>(Clock::now() - parsed).count());
    return true;
}

// Reads `path` with an XCAF reader into a fresh document in `impl`. The reader is configured
// by the caller; faults and exceptions of the translator give false and an empty document.
// Every false leaves its reason in impl.failure. The caller holds a TranslatorLock from before
// the reader was made; the read takes it again, so that a caller who forgot still translates
// under it. `beforeTransfer(reader)` runs between parsing and translating; a non-empty text
// it returns refuses the file for that reason.
template <class Reader, class BeforeTransfer>
bool ReadIntoDocument(Reader& reader, const std::string& path, XdeDocumentImpl& impl,
                      const char* format, BeforeTransfer beforeTransfer)
{
    const TranslatorLock lock;
    impl.failure = LoadFailure::CheckFile(path);
    if (impl.failure) {
        impl.failure.format = format;
        return FailLoad(impl, impl.failure,
                        "Cannot open file: " + path + " (" + impl.failure.Describe() + ")");
    }
    impl.CreateNew();
    bool done = false;
    bool parsed = false;
    KernelProgress progress(format);
    OcctFaultScope faults;
    OcctMessageCapture messages;
    const std::optional<CaughtFailure> caught = CaughtFailure::Guard(
        [&] {
            parsed = ParseAndTransfer(reader, path, impl, format, beforeTransfer, progress,
                                      messages, done);
        },
        CaughtFailure::OcctOnly);
    if (caught) {
        impl.CreateNew();
        const std::string why = DescribeTranslatorFailure(*caught);
        return FailLoad(impl, {LoadFailureTranslatorFault, format, why},
                        std::string(format) + " reader: translation of " + path +
                            " failed: " + why);
    }
    if (!parsed) {
        return false;
    }
    impl.RefreshTools();
    if (!done && impl.freeShapes.IsEmpty()) {
        return FailLoad(impl, {LoadFailureNothingTransferable, format, messages.GetFirstFailure()},
                        std::string(format) + " reader: no shape could be translated from " + path);
    }
    return true;
}

template <class Reader>
bool ReadIntoDocument(Reader& reader, const std::string& path, XdeDocumentImpl& impl,
                      const char* format)
{
    return ReadIntoDocument(reader, path, impl, format, [](Reader&) { return std::string(); });
}

} // namespace orvkit
