#include "Progress.h"

namespace orvkit {

Progress& Progress::Instance()
{
    static Progress instance;
    return instance;
}

} // namespace orvkit
