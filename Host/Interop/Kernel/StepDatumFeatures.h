#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <XSControl_WorkSession.hxx>

namespace orvkit {

// Ties each datum that OCCT 7.6 read from a STEP file without a feature to the faces the file
// names for it. The reader follows a datum feature to its faces only through a
// GEOMETRIC_ITEM_SPECIFIC_USAGE; files that tie the feature with the general
// ITEM_IDENTIFIED_REPRESENTATION_USAGE (two half-faces of a hole, say) gave datums that point
// at nothing; so did a datum the file ties to its faces itself, rather than through a feature.
// A datum label is paired with its DATUM entity by its letter; a letter two DATUM
// entities of the model share with faces of their own is left alone, as is a datum that has a
// feature already. Call it right after the transfer, with the session that read the file.
// Returns how many datum labels got their faces.
int LinkStepDatumFeatures(const Handle(XSControl_WorkSession)& session, XdeDocumentImpl& impl);

} // namespace orvkit
