#include "StaticSettingsScope.h"

#include <Interface_Static.hxx>

namespace orvkit {

StaticSettingsScope::~StaticSettingsScope()
{
    for (auto it = mySaved.rbegin(); it != mySaved.rend(); ++it) {
        Interface_Static::SetCVal(it->first.c_str(), it->second.c_str());
    }
}

bool StaticSettingsScope::SetInteger(const char* name, int value)
{
    return SetText(name, std::to_string(value).c_str());
}

bool StaticSettingsScope::SetText(const char* name, const char* value)
{
    const Standard_CString previous = Interface_Static::CVal(name);
    if (previous == nullptr || !Interface_Static::IsPresent(name)) {
        return false;
    }
    mySaved.emplace_back(name, previous);
    return Interface_Static::SetCVal(name, value) == Standard_True;
}

} // namespace orvkit
