#pragma once

#include "Data/Kernel/DrawableElement.h"

namespace orvkit {

// A placed occurrence of a prototype element.
class InstanceElement : public DrawableElement {
public:
    // A new instance owned by `document`; never null.
    static InstanceElement* Create(Document* document);
    const char* GetClassName() const override { return "InstanceElement"; }

protected:
    // What its prototype draws.
    void CollectOwnShape(GShapeCollector& collector) const override;
};

} // namespace orvkit
