#pragma once

#include <glm/mat4x4.hpp>

namespace orvkit {

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

} // namespace orvkit
