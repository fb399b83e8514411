#pragma once

#include "Data/Kernel/DrawableElement.h"
#include "Geometry/Kernel/TopoShape.h"

#include <glm/vec3.hpp>

#include <memory>
#include <optional>
#include <unordered_map>

namespace orvkit {

// Colours of single faces, keyed by the face's sub-shape index (TopoShape's numbering).
using FaceColorTable = std::unordered_map<unsigned int, glm::vec3>;

// An element holding a B-rep shape.
class ShapeElement : public DrawableElement {
public:
    // A new shape element owned by `document`; never null.
    static ShapeElement* Create(Document* document);
    const char* GetClassName() const override { return "ShapeElement"; }

    const std::shared_ptr<TopoShape>& GetShape() const { return myShape; }
    bool SetShape(const std::shared_ptr<TopoShape>& shape);
    // Whether the viewer may share and simplify the shape's display data.
    bool IsOptimized() const { return myOptimized; }
    bool SetOptimized(bool optimized);
    // Faces whose colour differs from the element's; no table at all until one is set.
    const std::optional<FaceColorTable>& GetFaceColors() const { return myFaceColors; }
    bool SetFaceColors(const FaceColorTable& faceColors);

protected:
    void CollectOwnShape(GShapeCollector& collector) const override;

private:
    std::shared_ptr<TopoShape> myShape;
    bool myOptimized = false;
    std::optional<FaceColorTable> myFaceColors;
};

} // namespace orvkit
