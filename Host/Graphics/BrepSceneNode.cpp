#include "BrepSceneNode.h"

#include "Graphics/MaterialManager.h"

namespace orvkit {

BrepSceneNode::BrepSceneNode(const std::shared_ptr<TopoShape>& shape,
                             MaterialInstance* faceMaterial, MaterialInstance* edgeMaterial,
                             double deflection, bool relativeDeflection)
    : myShape(shape), myFaceMaterial(faceMaterial), myEdgeMaterial(edgeMaterial),
      myDeflection(deflection), myRelativeDeflection(relativeDeflection)
{
    MaterialManager::Instance().AddUse(myFaceMaterial);
    MaterialManager::Instance().AddUse(myEdgeMaterial);
}

BrepSceneNode::~BrepSceneNode()
{
    MaterialManager::Instance().DropUse(myFaceMaterial);
    MaterialManager::Instance().DropUse(myEdgeMaterial);
}

void BrepSceneNode::SetFaceMaterial(MaterialInstance* material)
{
    MaterialManager::Instance().AddUse(material);
    MaterialManager::Instance().DropUse(myFaceMaterial);
    myFaceMaterial = material;
}

void BrepSceneNode::SetEdgeMaterial(MaterialInstance* material)
{
    MaterialManager::Instance().AddUse(material);
    MaterialManager::Instance().DropUse(myEdgeMaterial);
    myEdgeMaterial = material;
}

} // namespace orvkit
