#pragma once

#include <string>

namespace orvkit {

// A kind of material that the MaterialManager knows by name. Its kind names the shading model
// a renderer uses for the materials made from it ("standard": physically based,
// metallic-roughness).
class MaterialTemplate {
public:
    MaterialTemplate(std::string name, std::string kind)
        : myName(std::move(name)), myKind(std::move(kind))
    {
    }

    const std::string& GetName() const { return myName; }
    const std::string& GetKind() const { return myKind; }

private:
    std::string myName;
    std::string myKind;
};

} // namespace orvkit
