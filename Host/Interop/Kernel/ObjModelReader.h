#pragma once

#include "Interop/Kernel/ModelFileReader.h"

namespace orvkit {

// Reads OBJ files through OpenCASCADE's OBJ reader, from a ReadableMeshFile that has checked
// them: groups and material colours, numbers as they stand.
class ObjModelReader : public ModelFileReader {
public:
    ModelReadOutcome Read(const std::string& path, XdeDocumentImpl& impl,
                          ParameterDict* settings) const override;
};

} // namespace orvkit
