#pragma once

#include "Data/Kernel/CompositeElement.h"

namespace orvkit {

// An assembly: a product made of placed components.
class AssemblyElement : public CompositeElement {
public:
    // A new assembly owned by `document`; never null.
    static AssemblyElement* Create(Document* document);
    const char* GetClassName() const override { return "AssemblyElement"; }
};

} // namespace orvkit
