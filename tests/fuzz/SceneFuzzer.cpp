// The VRML scene reader on arbitrary bytes: a tree or null, never a fault, and every material
// it made is released again so that a long run does not grow.
#include "FuzzInput.h"

#include "Graphics/BrepSceneNode.h"
#include "Graphics/GroupSceneNode.h"
#include "Graphics/MaterialManager.h"
#include "Graphics/SceneExchangeManager.h"
#include "Graphics/SceneNode.h"
#include "RegisterInteropDataModule.h"

#include <set>

namespace {

void CollectMaterials(const orvkit::SceneNode& node, std::set<const orvkit::MaterialInstance*>& out,
                      int depth)
{
    if (depth > 10000) {
        return;
    }
    if (const auto* brep = dynamic_cast<const orvkit::BrepSceneNode*>(&node)) {
        for (const orvkit::MaterialInstance* material :
             {brep->GetFaceMaterial(), brep->GetEdgeMaterial()}) {
            if (material != nullptr) {
                out.insert(material);
            }
        }
    }
    if (const auto* group = dynamic_cast<const orvkit::GroupSceneNode*>(&node)) {
        for (const auto& child : group->GetChildren()) {
            if (child) {
                CollectMaterials(*child, out, depth + 1);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ::RegisterInteropDataModule();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orvfuzz::FuzzInput input(data, size, ".wrl");
    if (input.Path().empty()) {
        return 0;
    }
    std::shared_ptr<orvkit::SceneNode> root =
        orvkit::SceneExchangeManager::Instance().Load(input.Path());
    if (root) {
        std::set<const orvkit::MaterialInstance*> materials;
        CollectMaterials(*root, materials, 0);
        root.reset();
        for (const orvkit::MaterialInstance* material : materials) {
            orvkit::MaterialManager::Instance().Release(material);
        }
    }
    return 0;
}
