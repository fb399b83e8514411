#pragma once

#include "Interop/Kernel/ModelFileReader.h"

namespace orvkit {

// Reads IGES files into kernel documents, with names, colours and layers (levels). A file whose
// numbers OpenCASCADE's parser would loop on, or whose subfigures or groups contain themselves,
// is refused before it is translated.
class IgesModelReader : public ModelFileReader {
public:
    ModelReadOutcome Read(const std::string& path, XdeDocumentImpl& impl,
                          ParameterDict* settings) const override;
};

} // namespace orvkit
