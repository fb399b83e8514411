#include "InstanceElement.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

InstanceElement* InstanceElement::Create(Document* document)
{
    return document->NewElementOf<InstanceElement>();
}

void InstanceElement::CollectOwnShape(GShapeCollector& collector) const
{
    const Document* document = GetDocument();
    const auto* prototype =
        document != nullptr ? document->FindElementAs<DrawableElement>(GetPrototypeId()) : nullptr;
    if (prototype != nullptr) {
        prototype->CollectShape(collector);
    }
}

} // namespace orvkit
