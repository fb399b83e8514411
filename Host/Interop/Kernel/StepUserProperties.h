#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <STEPCAFControl_Reader.hxx>

#include <string>
#include <vector>

namespace orvkit {

// Reads the user-defined properties of the STEP model that `reader` has just translated into
// `impl`, and the ids and descriptions of its products, which OCCT 7.6 leaves in the file.
//
// A property goes into one TDataStd_NamedData of the label of what the file attaches it to: a
// product's shape label, an occurrence's component label, or the sub-shape label of the solid or
// shell a shape aspect of its part names. Each item of its representation is one property, named
// by the item, else by the property definition: a text as a string; a number as a real, as the
// file gives it, with its unit, when it has one, as a string of the same name ("kg", "mm2",
// "kg/m3", "inch"); a boolean as an integer 0 or 1. A product's id becomes a TDataStd_AsciiString
// and its description a TDataStd_Comment of its shape label. Validation, material and density
// properties, which other passes read, are left out.
//
// Returns a warning for each property left out because its value, its unit or its carrier cannot
// be read; empty when all came through.
std::vector<std::string> ReadStepUserProperties(const STEPCAFControl_Reader& reader,
                                                XdeDocumentImpl& impl);

} // namespace orvkit
