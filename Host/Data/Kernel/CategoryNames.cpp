#include "CategoryNames.h"

namespace orvkit {

const std::string& CategoryNames::Shape()
{
    static const std::string name = "Shape";
    return name;
}

const std::string& CategoryNames::SubDocument()
{
    static const std::string name = "SubDocument";
    return name;
}

} // namespace orvkit
