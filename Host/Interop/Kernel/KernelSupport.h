#pragma once

#include "Common/Core/FileUtil.h"
#include "Common/Core/Logger.h"
#include "Common/Core/Progress.h"
#include "Geometry/IO/OcctServices.h"
#include "Geometry/IO/ReplacingWrite.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <IFSelect_ReturnStatus.hxx>
#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressRange.hxx>
#include <Standard_ErrorHandler.hxx>
#include <Standard_Failure.hxx>

#include <string>
#include <utility>
#include <vector>

namespace orvkit {

// Forwards a translator's progress to the host's progress handler for the length of one read.
// Without a handler it does nothing and the translator runs without an indicator.
class KernelProgress {
public:
    explicit KernelProgress(const char* format);
    ~KernelProgress();
    KernelProgress(const KernelProgress&) = delete;
    KernelProgress& operator=(const KernelProgress&) = delete;

    // Says that the file is being parsed (the parser itself reports nothing).
    void Parsing() const;
    // The range to hand to the translator's Transfer.
    Message_ProgressRange Start();

private:
    std::shared_ptr<ProgressHandler> myHandler;
    Handle(Message_ProgressIndicator) myIndicator;
    std::string myFormat;
};

// Reads `path` with an XCAF reader into a fresh document in `impl`. The reader is configured
// by the caller; faults and exceptions of the translator give false and an empty document.
// The caller holds a TranslatorLock from before the reader was made; the read takes it again,
// so that a caller who forgot still translates under it.
template <class Reader>
bool ReadIntoDocument(Reader& reader, const std::string& path, XdeDocumentImpl& impl,
                      const char* format)
{
    const TranslatorLock lock;
    if (!CheckReadableFile(path)) {
        return false;
    }
    impl.CreateNew();
    bool done = false;
    KernelProgress progress(format);
    try {
        OCC_CATCH_SIGNALS
        progress.Parsing();
        if (reader.ReadFile(path.c_str()) != IFSelect_RetDone) {
            Logger::Instance().Message(4, "%s reader: cannot read %s", format, path.c_str());
            impl.CreateNew();
            return false;
        }
        done = reader.Transfer(impl.document, progress.Start());
    } catch (const Standard_Failure& failure) {
        Logger::Instance().Message(3, "%s reader: translation of %s failed: %s %s", format,
                                   path.c_str(), failure.DynamicType()->Name(),
                                   failure.GetMessageString());
        impl.CreateNew();
        return false;
    }
    impl.RefreshTools();
    if (!done && impl.freeShapes.IsEmpty()) {
        Logger::Instance().Message(4, "%s reader: no shape could be translated from %s", format,
                                   path.c_str());
        return false;
    }
    return true;
}

} // namespace orvkit
