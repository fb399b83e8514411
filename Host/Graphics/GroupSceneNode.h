#pragma once

#include "Graphics/SceneNode.h"

#include <memory>
#include <vector>

namespace orvkit {

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

} // namespace orvkit
