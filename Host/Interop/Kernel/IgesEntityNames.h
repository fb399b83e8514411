#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <IGESCAFControl_Reader.hxx>

namespace orvkit {

// Reads what OCCT 7.6's IGES reader leaves out of the names an IGES file gives (a Name
// property, else the directory entry's label with its subscript), after the transfer, with the
// reader that made `impl`:
// - a named solid (186), shell (514) or group of faces (402 of surfaces, the way many systems
//   write a body) gets a named sub-shape label under its part, as a named STEP body does. OCCT
//   names an entity only when its shape has a label of its own, which a part's bodies have not;
// - a part or instance OCCT named after a label with subscript 0 ("Solido1(0)") is named
//   after the label alone: writers put 0 in every subscript, where it tells nothing apart.
// Named faces and edges get no label of their own: most systems label every surface ("SURF",
// "TR77"), and thousands of such labels would bury the names a person gave. Returns how many
// labels it named.
int ReadIgesEntityNames(const IGESCAFControl_Reader& reader, XdeDocumentImpl& impl);

} // namespace orvkit
