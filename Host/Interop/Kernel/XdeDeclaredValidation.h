#pragma once

#include "Interop/Kernel/XdeValidationProps.h"

#include <TDF_Label.hxx>
#include <TopoDS_Shape.hxx>

#include <string>

namespace orvkit {

// What a file attaches a set of validation properties to; each kind states its values in its
// own frame.
enum class XdeValidationCarrier {
    Product,     // a part or an assembly, in its own frame
    Occurrence,  // one placement of a product, in the frame of the assembly that places it
    ShapeAspect, // a portion of a part's shape (a solid of several, say), in the part's frame
};

// One set of validation properties where the file attaches it, as the STEP reader found it.
struct XdeDeclaredValidation {
    XdeValidationCarrier carrier = XdeValidationCarrier::Product;
    // A product's shape label, an occurrence's component label or the label of the part a shape
    // aspect belongs to; null when the reader could not find it in the document.
    TDF_Label label;
    // A shape aspect's geometry among the part's sub-shapes, in the part's frame (a compound
    // when it names several); null when its items are not among them.
    TopoDS_Shape subShape;
    // A shape aspect's name as the file gives it, or its entity number ("#93") when it gives
    // none; for a carrier not found in the document, that carrier's entity.
    std::string name;
    XdeValidationProps values;
};

} // namespace orvkit
