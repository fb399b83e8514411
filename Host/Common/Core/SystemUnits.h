#pragma once

#include <string>

namespace orvkit {

// The application's units. Lengths are millimetres.
class SystemUnits {
public:
    static SystemUnits& Instance();

    // Name of the length unit ("mm"), as the readers' model-unit setting takes it.
    const std::string& GetSystemLengthUnit() const { return myLengthUnit; }

private:
    SystemUnits() = default;

    std::string myLengthUnit = "mm";
};

} // namespace orvkit
