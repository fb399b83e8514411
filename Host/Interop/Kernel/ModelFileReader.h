#pragma once

#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/ModelReadOutcome.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <string>

namespace orvkit {

// A reader of one kind of model file into a kernel document. ModelReaderTable says which reader
// takes which extensions; each reader is a class of its own that runs its own checks of the
// file's content before OpenCASCADE sees it.
class ModelFileReader {
public:
    virtual ~ModelFileReader() = default;

    // Reads the file at the UTF-8 path into `impl`, replacing its content, and says how it went;
    // nothing is recorded or logged for a failure (Open does that). `settings` may be null.
    virtual ModelReadOutcome Read(const std::string& path, XdeDocumentImpl& impl,
                                  ParameterDict* settings) const = 0;

    // Read, with a translator library that cannot be loaded (a broken installation) a failed
    // read rather than an exception.
    ModelReadOutcome ReadFile(const std::string& path, XdeDocumentImpl& impl,
                              ParameterDict* settings) const;

    // ReadFile, with its outcome recorded (ModelReadOutcome::Record). False, with impl.failure
    // saying why and a log line, when the file is missing, unreadable or the translator fails.
    bool Open(const std::string& path, XdeDocumentImpl& impl, ParameterDict* settings) const;
};

} // namespace orvkit
