#include "AssemblyElement.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

AssemblyElement* AssemblyElement::Create(Document* document)
{
    return document->NewElementOf<AssemblyElement>();
}

} // namespace orvkit
