#include "CompositeElement.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

void CompositeElement::CollectOwnShape(GShapeCollector& collector) const
{
    const Document* document = GetDocument();
    if (document == nullptr) {
        return;
    }
    for (ObjectId child : myChildren) {
        if (const auto* drawable = document->FindElementAs<DrawableElement>(child)) {
            drawable->CollectShape(collector);
        }
    }
}

bool CompositeElement::SetChildren(const std::set<ObjectId>& children)
{
    myChildren = children;
    if (Document* document = GetDocument()) {
        for (ObjectId child : myChildren) {
            if (Element* element = document->FindElement(child)) {
                element->SetParentId(GetId());
            }
        }
    }
    return true;
}

} // namespace orvkit
