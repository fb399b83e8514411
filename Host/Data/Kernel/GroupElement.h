#pragma once

#include "Data/Kernel/CompositeElement.h"

namespace orvkit {

// A loose collection of elements.
class GroupElement : public CompositeElement {
public:
    // A new group owned by `document`; never null.
    static GroupElement* Create(Document* document);
    const char* GetClassName() const override { return "GroupElement"; }
};

} // namespace orvkit
