#include "GroupElement.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

GroupElement* GroupElement::Create(Document* document)
{
    return document->NewElementOf<GroupElement>();
}

} // namespace orvkit
