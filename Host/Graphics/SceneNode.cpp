#include "SceneNode.h"

namespace orvkit {

SceneNode::~SceneNode() = default;

} // namespace orvkit
