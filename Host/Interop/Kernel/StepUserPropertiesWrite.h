#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <XSControl_WorkSession.hxx>

namespace orvkit {

// Writes the document's user-defined properties, product ids and descriptions into the model
// the STEP writer has just made in `session`, as ReadStepUserProperties reads them back: each
// property of a label's TDataStd_NamedData as a general property associated with a property
// definition of the product, the occurrence, or a shape aspect of the body that the label is
// the writer's entity of, whose representation holds one item (a text, a number in its unit,
// or a boolean); ids and descriptions into the written products. Labels whose entity the
// writer did not make are passed over.
void WriteStepUserProperties(const Handle(XSControl_WorkSession)& session,
                             const XdeDocumentImpl& impl);

} // namespace orvkit
