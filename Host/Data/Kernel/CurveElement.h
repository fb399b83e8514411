#pragma once

#include "Data/Kernel/DrawableElement.h"
#include "Geometry/Kernel/TopoShape.h"

#include <memory>

namespace orvkit {

// An element holding curve geometry: edges and wires, drawn as lines.
class CurveElement : public DrawableElement {
public:
    const std::shared_ptr<TopoShape>& GetShape() const { return myShape; }
    bool SetShape(const std::shared_ptr<TopoShape>& shape);

protected:
    void CollectOwnShape(GShapeCollector& collector) const override;

private:
    std::shared_ptr<TopoShape> myShape;
};

} // namespace orvkit
