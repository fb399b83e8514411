#pragma once

#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/ModelReadOutcome.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <string>

namespace orvkit {

// The kernel's IGES reader and writer, and its OBJ and glTF readers, live in libraries of their
// own, Orvex.Interop.Kernel.Iges and Orvex.Interop.Kernel.Mesh, loaded the first time a file of
// theirs is read or written, as the host's are (TranslatorLibraries.h). The classes the rest of
// the kernel and the plugin know (IgesModelReader, XdeDocumentIGES, ObjModelReader,
// GltfModelReader) stay here and call through these tables. Get() loads the library on its
// first call and throws LazyLibraryError when it cannot.

// Orvex.Interop.Kernel.Iges.
struct IgesKernelTranslator {
    // IgesModelReader::Read.
    ModelReadOutcome (*read)(const std::string& path, XdeDocumentImpl& impl,
                             ParameterDict* settings);
    // XdeDocumentIGES::Write, `unit` not null.
    bool (*write)(const std::string& file, XdeDocumentImpl& impl, const char* unit);

    static const IgesKernelTranslator& Get();
};

// Orvex.Interop.Kernel.Mesh.
struct MeshKernelTranslator {
    // ObjModelReader::Read, GltfModelReader::Read.
    ModelReadOutcome (*readObj)(const std::string& path, XdeDocumentImpl& impl,
                                ParameterDict* settings);
    ModelReadOutcome (*readGltf)(const std::string& path, XdeDocumentImpl& impl,
                                 ParameterDict* settings);

    static const MeshKernelTranslator& Get();
};

} // namespace orvkit
