#include "WireElement.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

WireElement* WireElement::Create(Document* document)
{
    return document->NewElementOf<WireElement>();
}

} // namespace orvkit
