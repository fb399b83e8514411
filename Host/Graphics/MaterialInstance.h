#pragma once

#include <glm/vec3.hpp>

#include <map>
#include <string>

namespace orvkit {

class MaterialTemplate;

// Which sides of a face a material is drawn on.
enum EnumFaceSide {
    FaceSideFront = 0,
    FaceSideBack = 1,
    // Both sides: for open meshes, whose faces are seen from either side.
    FaceSideDouble = 2
};

// One material made from a template: a base colour (linear RGB, 0..1, white until set), named
// three-component uniforms such as "emissive" and "specular", and the face sides it is drawn
// on (the front until set). Instances belong to the MaterialManager.
class MaterialInstance {
public:
    MaterialInstance(std::string name, MaterialTemplate* materialTemplate)
        : myName(std::move(name)), myTemplate(materialTemplate)
    {
    }

    const std::string& GetName() const { return myName; }
    MaterialTemplate* GetTemplate() const { return myTemplate; }

    void SetColor(const glm::vec3& color) { myColor = color; }
    const glm::vec3& GetColor() const { return myColor; }

    // Sets the uniform, replacing an earlier value under the same name.
    void SetUniform(const std::string& name, const glm::vec3& value) { myUniforms[name] = value; }
    // The uniform's value; null when it was never set.
    const glm::vec3* FindUniform(const std::string& name) const;
    // Every uniform, by name.
    const std::map<std::string, glm::vec3>& GetUniforms() const { return myUniforms; }

    void SetFaceSide(EnumFaceSide side) { myFaceSide = side; }
    EnumFaceSide GetFaceSide() const { return myFaceSide; }

private:
    std::string myName;
    MaterialTemplate* myTemplate;
    glm::vec3 myColor{1.0f};
    std::map<std::string, glm::vec3> myUniforms;
    EnumFaceSide myFaceSide = FaceSideFront;
};

} // namespace orvkit
