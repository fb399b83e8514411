#pragma once

#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <string>

namespace orvkit {

// Reads any model file a reader of ModelReaderTable takes into a kernel document, so that a
// conversion or a comparison works on one kind of document whatever it came from. The table
// chooses the reader by the file's extension, in any case; what each keeps is said by its class
// (StepModelReader, IgesModelReader, GltfModelReader, ObjModelReader, ShapeModelReader).
struct XdeModelReader {
    // Reads `path` into `impl`, replacing its content. False when the file is missing, empty, of
    // an extension no reader takes, or cannot be read; impl.failure then says why, the log has
    // said it (but for an unknown extension) and `impl` is empty. `settings` (may be null)
    // reaches the reader.
    static bool Open(const std::string& path, XdeDocumentImpl& impl, ParameterDict* settings);
};

} // namespace orvkit
