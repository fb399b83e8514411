#pragma once

#include "Graphics/MaterialInstance.h"
#include "Graphics/MaterialTemplate.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace orvkit {

// The process-wide store of material templates and material instances. It owns both; callers
// hold plain pointers. Scene nodes that show an instance count as its users (AddUse, DropUse);
// a released instance is freed once the last of them is gone, so no node points at a freed
// material. Other holders' pointers stay valid until the instance is released.
//
// Templates are built in: "color-pbr" (a colour with emissive and specular terms) and
// "texture-pbr" (the same over a texture), both of the kind "standard".
//
// Instance names label materials for people and are not keys: Create makes a new instance every
// time, also under a name already in use, because readers number their materials afresh on each
// load and two loads must not share (and so change) each other's materials. Nothing is freed
// by itself, so every load adds its instances for good; a host that drops scenes again should
// Release their materials, or the store grows by one small instance per shape per load.
//
// Every function may be called from any thread; the tables are guarded, the materials are not:
// a material is changed by the load that made it, before others see it.
class MaterialManager {
public:
    static MaterialManager& Instance();

    // The template known under `name`, when it is of `kind`; null for an unknown name or another
    // kind. The same template comes back on every call.
    MaterialTemplate* CreateTemplateByName(const std::string& name, const std::string& kind);
    // A new instance of `materialTemplate` named `name`; null when the template is null.
    MaterialInstance* Create(const std::string& name, MaterialTemplate* materialTemplate);
    // Gives up the instance: freed now, or when its last user drops it. False when the manager
    // does not hold it (already released, or never made here).
    bool Release(const MaterialInstance* instance);
    // Counts a user of the instance, which keeps it alive past a Release; null is ignored.
    void AddUse(const MaterialInstance* instance);
    // Ends a use; frees a released instance whose last user this was.
    void DropUse(const MaterialInstance* instance);
    // How many instances the manager holds (released ones still in use among them).
    size_t GetInstanceCount() const;

private:
    MaterialManager();

    // Guards both tables. Templates are never removed, so their pointers need no lock.
    mutable std::mutex myMutex;
    std::map<std::string, std::unique_ptr<MaterialTemplate>> myTemplates;
    struct Entry {
        std::unique_ptr<MaterialInstance> instance;
        int uses = 0;
        bool released = false;
    };
    std::unordered_map<const MaterialInstance*, Entry> myInstances;
};

} // namespace orvkit
