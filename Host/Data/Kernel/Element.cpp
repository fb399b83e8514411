#include "Element.h"

#include "Data/Kernel/Document.h"

#include <utility>

namespace orvkit {

bool Element::SetName(const std::string& name)
{
    const std::string formerName = std::exchange(myName, name);
    if (myDocument != nullptr) {
        myDocument->RenameInTables(*this, formerName);
    }
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
