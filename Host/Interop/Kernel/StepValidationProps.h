#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <STEPCAFControl_Reader.hxx>

namespace orvkit {

// Reads the geometric validation properties of the STEP model that `reader` has just
// translated into `impl` into impl.declaredValidation, each with what the file attaches it to:
// a product (its product definition's shape), an occurrence (the shape of a next assembly usage
// occurrence) or a shape aspect, whose geometric items are looked up among the sub-shapes the
// transfer made of its part. Values an assembly carries in the context of the shape of one
// product placed in it describe that product, and go to it. Values come in the document's
// units, as OCCT's reader gives them.
//
// OCCT 7.6 keeps such properties in volume, area and centroid attributes of whichever label its
// search for the carrier's shape returns: a shape aspect's values can land on the root
// assembly, and an occurrence's on the placed product, whose frame is not the one they are
// stated in. The document's attributes stay as the reader left them.
//
// Returns how many sets it read; 0, with the list empty, for a model that declares none.
int ReadStepValidationProps(const STEPCAFControl_Reader& reader, XdeDocumentImpl& impl);

} // namespace orvkit
