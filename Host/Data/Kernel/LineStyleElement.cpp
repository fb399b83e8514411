#include "LineStyleElement.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

LineStyleElement* LineStyleElement::Create(Document* document)
{
    return document->NewElementOf<LineStyleElement>();
}

const ClassId& LineStyleElement::GetStaticClassId()
{
    static const ClassId id = "LineStyleElement";
    return id;
}

bool LineStyleElement::SetDescription(std::string description)
{
    myDescription = std::move(description);
    return true;
}

bool LineStyleElement::SetComponents(Components components)
{
    myComponents = std::move(components);
    return true;
}

} // namespace orvkit
