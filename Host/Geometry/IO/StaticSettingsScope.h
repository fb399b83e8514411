#pragma once

#include "Geometry/IO/TranslatorLock.h"

#include <string>
#include <utility>
#include <vector>

namespace orvkit {

// Sets OpenCASCADE's process-wide translator parameters for one read or write and puts the
// earlier values back when it goes away, so that one caller's settings never leak into the
// next. A parameter that is not registered (its translator never ran) is left alone.
//
// The parameters are process-wide, so the scope holds the TranslatorLock from its construction
// until the old values are back. A read or write takes that lock itself before it makes its
// reader or writer, so that the translation runs with the parameters as set.
class StaticSettingsScope {
public:
    StaticSettingsScope() = default;
    ~StaticSettingsScope();
    StaticSettingsScope(const StaticSettingsScope&) = delete;
    StaticSettingsScope& operator=(const StaticSettingsScope&) = delete;

    // False when the parameter is not registered or does not take the value (a name outside
    // its list of choices, say); it then keeps the value it had.
    bool SetInteger(const char* name, int value);
    bool SetText(const char* name, const char* value);

private:
    // Still held while the destructor puts the parameters back.
    TranslatorLock myLock;
    std::vector<std::pair<std::string, std::string>> mySaved;
};

} // namespace orvkit
