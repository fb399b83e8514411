#include "XdeNode.h"

#include "Common/Core/StringUtil.h"
#include "Interop/Kernel/XdeLabelImpl.h"

#include <TDF_Label.hxx>
#include <TopLoc_Location.hxx>
#include <XCAFDoc_Location.hxx>

namespace orvkit {

XdeNode::XdeNode(const TDF_Label& label) : myImpl(std::make_unique<XdeLabelImpl>(label)) {}

XdeNode::~XdeNode() = default;

XdeLabelImpl* XdeNode::GetImpl() const
{
    return myImpl.get();
}

bool XdeNode::IsNullLabel() const
{
    return myImpl->label.IsNull();
}

int XdeNode::GetDepth() const
{
    return myImpl->label.Depth();
}

int XdeNode::NbChildren() const
{
    return myImpl->label.NbChildren();
}

bool XdeNode::HasChild() const
{
    return myImpl->label.HasChild();
}

std::string XdeNode::GetName() const
{
    const TCollection_ExtendedString name = myImpl->GetName();
    return StringUtil::ToA(name.ToExtString());
}

void XdeNode::SetName(const std::string& name)
{
    myImpl->SetName(name);
}

gp_Trsf XdeNode::GetLocation() const
{
    Handle(TDF_Attribute) attribute;
    if (myImpl->label.FindAttribute(XCAFDoc_Location::GetID(), attribute)) {
        if (const auto location = Handle(XCAFDoc_Location)::DownCast(attribute)) {
            return location->Get().Transformation();
        }
    }
    return TopLoc_Location().Transformation();
}

void XdeNode::SetLocation(const gp_Trsf& location)
{
    XCAFDoc_Location::Set(myImpl->label, TopLoc_Location(location));
}

} // namespace orvkit
