#include "EntityElement.h"

namespace orvkit {

bool EntityElement::SetBrowserable(bool browserable)
{
    myBrowserable = browserable;
    return true;
}

bool EntityElement::SetManaged(bool managed)
{
    myManaged = managed;
    return true;
}

bool EntityElement::SetColor(const glm::vec3& color)
{
    myColor = color;
    myHasColor = true;
    return true;
}

bool EntityElement::SetAliasName(const std::string& aliasName)
{
    myAliasName = aliasName;
    return true;
}

bool EntityElement::SetFacts(const std::string& facts)
{
    myFacts = facts;
    return true;
}

} // namespace orvkit
