#include "Element.h"

namespace orvkit {

bool Element::SetName(const std::string& name)
{
    myName = name;
    return true;
}

bool Element::SetCategory(const std::string& category)
{
    myCategory = category;
    return true;
}

bool Element::SetSchemaName(const std::string& schemaName)
{
    mySchemaName = schemaName;
    return true;
}

bool Element::SetParentId(ObjectId parentId)
{
    myParentId = parentId;
    return true;
}

bool Element::SetPartId(ObjectId partId)
{
    myPartId = partId;
    return true;
}

} // namespace orvkit
