#pragma once

#include "Geometry/Kernel/TopoShape.h"
#include "Graphics/SceneNode.h"

#include <memory>

namespace orvkit {

class MaterialInstance;

// A B-rep shape drawn with one material on its faces and one on its edges (often the same
// instance). The materials belong to the MaterialManager, which keeps them alive while a node
// shows them; a null material leaves the look to the renderer's default.
class BrepSceneNode : public SceneNode {
public:
    // `deflection` bounds the distance between the shape and the mesh made to display it:
    // with `relativeDeflection` as a fraction of each edge's length, otherwise in model units.
    BrepSceneNode(const std::shared_ptr<TopoShape>& shape, MaterialInstance* faceMaterial,
                  MaterialInstance* edgeMaterial, double deflection, bool relativeDeflection);
    ~BrepSceneNode() override;
    BrepSceneNode(const BrepSceneNode&) = delete;
    BrepSceneNode& operator=(const BrepSceneNode&) = delete;

    void SetTopoShape(const std::shared_ptr<TopoShape>& shape) { myShape = shape; }
    const std::shared_ptr<TopoShape>& GetTopoShape() const { return myShape; }

    void SetFaceMaterial(MaterialInstance* material);
    MaterialInstance* GetFaceMaterial() const { return myFaceMaterial; }
    void SetEdgeMaterial(MaterialInstance* material);
    MaterialInstance* GetEdgeMaterial() const { return myEdgeMaterial; }

    double GetDeflection() const { return myDeflection; }
    bool IsRelativeDeflection() const { return myRelativeDeflection; }

private:
    std::shared_ptr<TopoShape> myShape;
    MaterialInstance* myFaceMaterial;
    MaterialInstance* myEdgeMaterial;
    double myDeflection;
    bool myRelativeDeflection;
};

} // namespace orvkit
