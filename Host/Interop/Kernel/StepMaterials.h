#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <STEPCAFControl_Reader.hxx>
#include <XSControl_WorkSession.hxx>

#include <string>
#include <vector>

namespace orvkit {

// Materials as the CAx-IF practice gives them: a product definition's "material property"
// whose representations hold the material's name (a descriptive item, its description beside
// it) and its density (a measure item with a unit). In the document a material is a
// XCAFDoc_Material on the part's label, with its density in kg/m³ whatever the file's units.
//
// OCCT 7.6 does both sides itself, wrongly for users: its reader takes any descriptive item of
// any property of a product for a material name, and reads a density without its mass unit's
// prefix or its exponents; its writer states the density in g³·cm² (a unit no reader can
// turn into a density). Both are switched off, and these take their place.
namespace StepMaterials {

// Reads the materials of the STEP model `reader` has just translated into `impl`. Returns one
// sentence for each density it had to leave out (no unit, or one that is not a mass over a
// volume), naming its material.
std::vector<std::string> Read(const STEPCAFControl_Reader& reader, XdeDocumentImpl& impl);

// Writes the material of every part of `impl` into the model `session` has just made of it,
// onto the part's product definition. Returns how many it wrote.
int Write(const Handle(XSControl_WorkSession)& session, const XdeDocumentImpl& impl);

} // namespace StepMaterials

} // namespace orvkit
