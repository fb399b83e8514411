#include "GroupSceneNode.h"

namespace orvkit {

void GroupSceneNode::AddNode(const std::shared_ptr<SceneNode>& node)
{
    if (node) {
        myChildren.push_back(node);
    }
}

} // namespace orvkit
