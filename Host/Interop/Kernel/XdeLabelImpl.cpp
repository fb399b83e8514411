#include "XdeLabelImpl.h"

#include <TDataStd_Name.hxx>

namespace orvkit {

TCollection_ExtendedString XdeLabelImpl::GetName() const
{
    Handle(TDataStd_Name) name;
    if (label.IsNull() || !label.FindAttribute(TDataStd_Name::GetID(), name)) {
        return {};
    }
    return name->Get();
}

void XdeLabelImpl::SetName(const std::string& name)
{
    if (!label.IsNull()) {
        TDataStd_Name::Set(label, TCollection_ExtendedString(name.c_str(), Standard_True));
    }
}

} // namespace orvkit
