#include "SceneNode.h"

namespace orvkit {

SceneNode::~SceneNode() = default;

void GroupSceneNode::AddNode(const std::shared_ptr<SceneNode>& node)
{
    if (node) {
        myChildren.push_back(node);
    }
}

BrepSceneNode::BrepSceneNode(const std::shared_ptr<TopoShape>& shape,
                             MaterialInstance* faceMaterial, MaterialInstance* edgeMaterial,
                             double deflection, bool relativeDeflection)
    : myShape(shape), myFaceMaterial(faceMaterial), myEdgeMaterial(edgeMaterial),
      myDeflection(deflection), myRelativeDeflection(relativeDeflection)
{
}

} // namespace orvkit
