#pragma once

#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <string>

namespace orvkit {

// Kernel documents to IGES files, with names, colours and layers (levels); IgesModelReader reads
// them.
struct XdeDocumentIGES {
    // Writes `impl` as IGES 5.3 with B-rep faces. False when the file cannot be written; an
    // existing file is then left as it was.
    static bool Save(const std::string& path, XdeDocumentImpl& impl, ParameterDict* settings);
    // Writes `impl` straight into `file` (no replacing), lengths in `unit` as for
    // XdeDocumentSTEP::Write. False when the translator fails.
    static bool Write(const std::string& file, XdeDocumentImpl& impl, const char* unit = "MM");
};

} // namespace orvkit
