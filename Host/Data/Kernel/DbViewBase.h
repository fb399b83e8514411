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
    // Gives the collector everything the view shows: every browserable drawable element of
    // the document, each once (through the topmost browserable element of its branch), at
    // its place in the document. Hidden prototypes are not given on their own.
    void CollectShape(GShapeCollector& collector) const;

private:
    EnumDbViewType myViewType = DbViewType3D;
};

} // namespace orvkit
