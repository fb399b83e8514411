#include "MaterialInstance.h"

namespace orvkit {

const glm::vec3* MaterialInstance::FindUniform(const std::string& name) const
{
    const auto found = myUniforms.find(name);
    return found != myUniforms.end() ? &found->second : nullptr;
}

} // namespace orvkit
