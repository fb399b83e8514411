#pragma once

#include "Data/Kernel/Element.h"
#include "Data/Kernel/PickedId.h"

namespace orvkit {

// A document element standing for one sub-shape of a shape element (a face a dimension
// measures, say), so that other elements can point at it by id.
class ReferenceShape : public Element {
public:
    // A new reference owned by `document`; never null.
    static ReferenceShape* Create(Document* document, const PickedId& picked);
    const char* GetClassName() const override { return "ReferenceShape"; }

    const PickedId& GetPickedId() const { return myPicked; }

private:
    PickedId myPicked;
};

} // namespace orvkit
