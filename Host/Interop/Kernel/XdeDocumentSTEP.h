#pragma once

#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <string>

namespace orvkit {

// Kernel documents to STEP files, with names, colours, layers, validation properties and
// semantic GD&T; StepModelReader reads them.
struct XdeDocumentSTEP {
    // Writes `impl` as AP214 STEP, or AP242 when it holds PMI. False when the file cannot be
    // written; an existing file is then left as it was.
    static bool Save(const std::string& path, XdeDocumentImpl& impl, ParameterDict* settings);
    // Writes `impl` straight into `file` (no replacing), lengths in `unit`, a name the
    // translator takes ("MM", "IN"; LengthUnit::GetTranslatorName). Names, colours, layers,
    // validation properties and dimensions go with it. False when the translator fails.
    static bool Write(const std::string& file, XdeDocumentImpl& impl, const char* unit = "MM");
};

} // namespace orvkit
