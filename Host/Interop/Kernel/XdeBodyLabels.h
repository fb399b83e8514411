#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <TopoDS_Shape.hxx>

#include <string>
#include <vector>

namespace orvkit {

// A body a file names: a solid, a shell or a group of faces, as the transfer made it.
struct NamedBody {
    std::string name; // UTF-8
    TopoDS_Shape shape;
};

// Gives each body a named sub-shape label under the part that holds it, as XCAF keeps the
// names of sub-shapes and as Part::bodies, the printers and the STEP writer read them. A body
// is found in its part by its TShape, which it keeps from the transfer into the part; one no
// part holds is skipped. Returns how many it named.
int LabelNamedBodies(const XdeDocumentImpl& impl, const std::vector<NamedBody>& bodies);

} // namespace orvkit
