#pragma once

#include "Geometry/Kernel/TopoShape.h"

#include <glm/mat4x4.hpp>

#include <memory>
#include <vector>

namespace orvkit {

class MaterialInstance;

// A node of the display scene graph, always held by shared pointer. Its transform places the
// node, and everything below it, in its parent's space; it is the identity until set.
class SceneNode {
public:
    SceneNode() = default;
    virtual ~SceneNode();
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    void SetTransform(const glm::dmat4& transform) { myTransform = transform; }
    const glm::dmat4& GetTransform() const { return myTransform; }

private:
    glm::dmat4 myTransform{1.0};
};

// A node that holds other nodes in the order they were added, sharing ownership of them: one
// node may sit under several groups.
class GroupSceneNode : public SceneNode {
public:
    // Appends `node`; a null node is ignored.
    void AddNode(const std::shared_ptr<SceneNode>& node);
    const std::vector<std::shared_ptr<SceneNode>>& GetChildren() const { return myChildren; }

private:
    std::vector<std::shared_ptr<SceneNode>> myChildren;
};

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
