#include "ReferenceShape.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

ReferenceShape* ReferenceShape::Create(Document* document, const PickedId& picked)
{
    ReferenceShape* reference = document->NewElementOf<ReferenceShape>();
    reference->myPicked = picked;
    return reference;
}

} // namespace orvkit
