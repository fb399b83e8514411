#include "SystemUnits.h"

namespace orvkit {

SystemUnits& SystemUnits::Instance()
{
    static SystemUnits instance;
    return instance;
}

} // namespace orvkit
