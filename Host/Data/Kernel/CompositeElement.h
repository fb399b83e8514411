#pragma once

#include "Data/Kernel/DrawableElement.h"

#include <set>

namespace orvkit {

// A drawable element that holds other elements of its document, ordered by id.
class CompositeElement : public DrawableElement {
public:
    const std::set<ObjectId>& GetChildren() const { return myChildren; }
    // Replaces the children; each child found in the document gets this element as parent.
    bool SetChildren(const std::set<ObjectId>& children);

protected:
    // What its children draw, in id order.
    void CollectOwnShape(GShapeCollector& collector) const override;

private:
    std::set<ObjectId> myChildren;
};

} // namespace orvkit
