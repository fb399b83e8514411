#pragma once

#include "Common/Core/LoadFailure.h"
#include "Geometry/IO/CaughtFailure.h"
#include "Interop/Kernel/ModelReadOutcome.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <RWMesh_CafReader.hxx>

#include <string>

namespace orvkit {

// The failure of a read that the reader's exception ended.
ModelReadOutcome FailedReading(const char* format, const std::string& path,
                               const CaughtFailure& caught);

// Reads with one of OpenCASCADE's mesh document readers (glTF, OBJ), which fill the document
// themselves, once the file's check has let it through (`refusal` none): `readable` is what the
// reader is given, `path` what messages name. The document is in millimetres afterwards. A
// failure leaves `impl` empty.
ModelReadOutcome ReadMeshDocument(RWMesh_CafReader& reader, const std::string& readable,
                                  const std::string& path, XdeDocumentImpl& impl,
                                  const char* format, const LoadFailure& refusal);

} // namespace orvkit
