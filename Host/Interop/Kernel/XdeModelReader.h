#pragma once

#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <string>

namespace orvkit {

// Reads any model file of ModelFormat's table into a kernel document, so that a conversion or a
// comparison works on one kind of document whatever it came from:
//   STEP and IGES through XdeDocumentSTEP and XdeDocumentIGES (their extensions in any case);
//   glTF and GLB through OpenCASCADE's glTF reader: its nodes become assemblies and instances,
//   its meshes parts with their names and material colours, metres and Y up become the
//   document's millimetres and Z up;
//   OBJ through OpenCASCADE's OBJ reader (groups and material colours, numbers as they stand);
//   BREP and STL through the host's shape readers, as one free shape named after the file.
struct XdeModelReader {
    // Reads `path` into `impl`, replacing its content. False when the file is missing, empty, of
    // an extension no format has, or cannot be read; impl.failure then says why and `impl` is
    // empty. `settings` (may be null) reaches the STEP and IGES readers.
    static bool Open(const std::string& path, XdeDocumentImpl& impl, ParameterDict* settings);
};

} // namespace orvkit
