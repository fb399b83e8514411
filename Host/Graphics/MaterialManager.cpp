#include "MaterialManager.h"

namespace orvkit {

namespace {

const char* const kStandardKind = "standard";
const char* const kBuiltInTemplates[] = {"color-pbr", "texture-pbr"};

} // namespace

MaterialManager& MaterialManager::Instance()
{
    static MaterialManager instance;
    return instance;
}

MaterialManager::MaterialManager()
{
    for (const char* name : kBuiltInTemplates) {
        myTemplates.emplace(name, std::make_unique<MaterialTemplate>(name, kStandardKind));
    }
}

MaterialTemplate* MaterialManager::CreateTemplateByName(const std::string& name,
                                                        const std::string& kind)
{
    const std::lock_guard<std::mutex> lock(myMutex);
    const auto found = myTemplates.find(name);
    if (found == myTemplates.end() || found->second->GetKind() != kind) {
        return nullptr;
    }
    return found->second.get();
}

MaterialInstance* MaterialManager::Create(const std::string& name,
                                          MaterialTemplate* materialTemplate)
{
    if (materialTemplate == nullptr) {
        return nullptr;
    }
    auto instance = std::make_unique<MaterialInstance>(name, materialTemplate);
    MaterialInstance* result = instance.get();
    const std::lock_guard<std::mutex> lock(myMutex);
    myInstances.emplace(result, Entry{std::move(instance)});
    return result;
}

bool MaterialManager::Release(const MaterialInstance* instance)
{
    std::unique_ptr<MaterialInstance> freed; // destroyed after the lock is let go
    const std::lock_guard<std::mutex> lock(myMutex);
    const auto found = myInstances.find(instance);
    if (found == myInstances.end() || found->second.released) {
        return false;
    }
    found->second.released = true;
    if (found->second.uses == 0) {
        freed = std::move(found->second.instance);
        myInstances.erase(found);
    }
    return true;
}

void MaterialManager::AddUse(const MaterialInstance* instance)
{
    const std::lock_guard<std::mutex> lock(myMutex);
    const auto found = myInstances.find(instance);
    if (found != myInstances.end()) {
        ++found->second.uses;
    }
}

void MaterialManager::DropUse(const MaterialInstance* instance)
{
    std::unique_ptr<MaterialInstance> freed;
    const std::lock_guard<std::mutex> lock(myMutex);
    const auto found = myInstances.find(instance);
    if (found == myInstances.end() || found->second.uses == 0) {
        return;
    }
    if (--found->second.uses == 0 && found->second.released) {
        freed = std::move(found->second.instance);
        myInstances.erase(found);
    }
}

size_t MaterialManager::GetInstanceCount() const
{
    const std::lock_guard<std::mutex> lock(myMutex);
    return myInstances.size();
}

} // namespace orvkit
