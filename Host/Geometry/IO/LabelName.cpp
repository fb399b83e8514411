#include "LabelName.h"

#include "Common/Core/StringUtil.h"

#include <TDataStd_Name.hxx>

namespace orvkit {

std::string LabelName(const TDF_Label& label)
{
    Handle(TDataStd_Name) name;
    if (label.IsNull() || !label.FindAttribute(TDataStd_Name::GetID(), name)) {
        return {};
    }
    return StringUtil::ToA(name->Get().ToExtString());
}

} // namespace orvkit
