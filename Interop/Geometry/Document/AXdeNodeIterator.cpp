#include "XdeNodeIterator.h"

#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeLabelImpl.h"
#include "XdeNode.h"

#include <TDF_ChildIterator.hxx>

namespace orvkit {

XdeNodeIterator::XdeNodeIterator(const std::shared_ptr<XdeNode>& node)
    : myIterator(new TDF_ChildIterator(node->GetImpl()->label, Standard_False))
{
}

XdeNodeIterator::~XdeNodeIterator() = default;

bool XdeNodeIterator::More() const
{
    return myIterator->More();
}

void XdeNodeIterator::Next()
{
    myIterator->Next();
}

std::shared_ptr<XdeNode> XdeNodeIterator::Value() const
{
    return std::make_shared<XdeNode>(myIterator->Value());
}

} // namespace orvkit
