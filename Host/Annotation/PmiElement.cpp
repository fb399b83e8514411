#include "PmiElement.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

PmiElement* PmiElement::Create(Document* document, EnumAnnotationKind kind, PmiContent content)
{
    PmiElement* element = document->NewElementOf<PmiElement>();
    element->myKind = kind;
    element->myContent = std::move(content);
    return element;
}

} // namespace orvkit
