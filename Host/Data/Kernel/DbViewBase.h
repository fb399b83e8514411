#pragma once

#include "Data/Kernel/Element.h"

namespace orvkit {

class GShapeCollector;

enum EnumDbViewType { DbViewType3D = 0, DbViewType2D = 1 };

// A view of the document: the space its drawable elements are shown in.
class DbViewBase : public Element {
public:
    static DbViewBase* Create(Document* document, EnumDbViewType viewType);
    const char* GetClassName() const override { return "DbViewBase"; }
    EnumDbViewType GetViewType() const { return myViewType; }
    // Gives the collector everything the view shows: each browserable drawable element of the
    // document that no other element holds, in id order.
    void CollectShape(GShapeCollector& collector) const;

private:
    EnumDbViewType myViewType = DbViewType3D;
};

} // namespace orvkit
