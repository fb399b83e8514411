#pragma once

#include "Common/Core/ObjectId.h"
#include "Geometry/Kernel/TopoShape.h"

namespace orvkit {

// Names one sub-shape of a shape element: the element, the sub-shape's kind, and its index
// among the element shape's sub-shapes of that kind (TopoShape's numbering, from 0).
class PickedId {
public:
    PickedId() = default;
    explicit PickedId(ObjectId elementId) : myElementId(elementId) {}

    ObjectId GetElementId() const { return myElementId; }
    EnumTopoShapeType GetShapeType() const { return myShapeType; }
    void SetShapeType(EnumTopoShapeType shapeType) { myShapeType = shapeType; }
    int GetTopoShapeId() const { return myTopoShapeId; }
    void SetTopoShapeId(int topoShapeId) { myTopoShapeId = topoShapeId; }

private:
    ObjectId myElementId;
    EnumTopoShapeType myShapeType = TopoShapeShape;
    int myTopoShapeId = -1;
};

} // namespace orvkit
