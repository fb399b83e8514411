#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <STEPCAFControl_Reader.hxx>
#include <XSControl_WorkSession.hxx>

namespace orvkit {

// Reads the names CAD systems give the bodies of a part ("Boss-Extrude2", "Body1",
// "PartBody": a named MANIFOLD_SOLID_BREP, BREP_WITH_VOIDS or SHELL_BASED_SURFACE_MODEL) onto
// sub-shape labels of the part's label, one for each named solid or shell, as XCAF keeps the
// names of sub-shapes. OCCT 7.6's own option for this (read.stepcaf.subshapes.name) also makes
// a label for every named face, wire, edge and vertex, and none for the body of a part with
// one body. The writer's option of the same name writes them back onto the bodies' items.
// Call it after the transfer, with the reader that made `impl`; returns how many it named.
int ReadStepBodyNames(const STEPCAFControl_Reader& reader, XdeDocumentImpl& impl);

// Before a write: a body label that stands for its part's whole shape takes the part's
// colours where it has none. OCCT's writer keys the styles of a part and of its sub-shapes by
// shape, and the body's lack of a colour would otherwise replace the part's.
void ColourWholeBodies(XdeDocumentImpl& impl);

// Writes those names onto the items the writer made of the bodies, in the model `session` has
// just made of `impl`. OCCT's writer option for sub-shape names also names an item after each
// component label that places its part ("=>[0:1:1:2]" for one without a name of its own).
// Returns how many it named.
int WriteStepBodyNames(const Handle(XSControl_WorkSession)& session, const XdeDocumentImpl& impl);

} // namespace orvkit
