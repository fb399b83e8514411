#pragma once

#include "Data/Kernel/CurveElement.h"

namespace orvkit {

// A wire or a single edge.
class WireElement : public CurveElement {
public:
    // A new wire element owned by `document`; never null.
    static WireElement* Create(Document* document);
    const char* GetClassName() const override { return "WireElement"; }
};

} // namespace orvkit
