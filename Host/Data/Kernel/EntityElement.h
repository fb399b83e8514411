#pragma once

#include "Data/Kernel/Element.h"

#include <glm/vec3.hpp>

namespace orvkit {

// An element a person can see in the model browser. Managed elements are owned by the
// document's machinery (prototypes shared by instances) rather than edited directly.
class EntityElement : public Element {
public:
    bool IsBrowserable() const { return myBrowserable; }
    bool SetBrowserable(bool browserable);
    bool IsManaged() const { return myManaged; }
    bool SetManaged(bool managed);
    // Colour as linear RGB in 0..1; white until set.
    const glm::vec3& GetColor() const { return myColor; }
    bool SetColor(const glm::vec3& color);
    bool HasColor() const { return myHasColor; }
    // A second name shown beside the main one (the file's own instance name, say).
    const std::string& GetAliasName() const { return myAliasName; }
    bool SetAliasName(const std::string& aliasName);
    // What the file says about it besides its shape (material, properties, ...) as a JSON
    // object in text; empty when nothing.
    const std::string& GetFacts() const { return myFacts; }
    bool SetFacts(const std::string& facts);

private:
    bool myBrowserable = false;
    bool myManaged = false;
    bool myHasColor = false;
    glm::vec3 myColor{1.0f, 1.0f, 1.0f};
    std::string myAliasName;
    std::string myFacts;
};

} // namespace orvkit
