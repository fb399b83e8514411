#pragma once

#include "Interop/Kernel/ModelFileReader.h"

namespace orvkit {

// Reads the files that hold one shape and no name (BREP, STL) through the host's shape readers
// (ShapeExchangeManager), as one free shape named after the file.
class ShapeModelReader : public ModelFileReader {
public:
    ModelReadOutcome Read(const std::string& path, XdeDocumentImpl& impl,
                          ParameterDict* settings) const override;
};

} // namespace orvkit
