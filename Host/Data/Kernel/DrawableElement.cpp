#include "DrawableElement.h"

#include "Data/Kernel/InstanceElement.h"

namespace orvkit {

bool DrawableElement::SetTransform(const gp_Trsf& transform)
{
    myTransform = transform;
    return true;
}

bool DrawableElement::SetPrototypeId(ObjectId prototypeId)
{
    myPrototypeId = prototypeId;
    return true;
}

DrawableElement* DrawableElement::CreateInstance(Document* document, const std::string& name,
                                                 ObjectId parentId) const
{
    InstanceElement* instance = InstanceElement::Create(document);
    instance->SetName(name);
    instance->SetParentId(parentId);
    // The instance starts with the look of what it shows.
    if (HasColor()) {
        instance->SetColor(GetColor());
    }
    return instance;
}

} // namespace orvkit
