#include "ElementTable.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

Element* ElementTable::FindByName(const std::string& name) const
{
    auto it = myIdsByName.find(name);
    return it == myIdsByName.end() ? nullptr : myDocument->FindElement(*it->second.begin());
}

void ElementTable::Add(const Element& element)
{
    myIds.insert(element.GetId());
    myIdsByName[element.GetName()].insert(element.GetId());
}

void ElementTable::Remove(const Element& element)
{
    myIds.erase(element.GetId());
    auto it = myIdsByName.find(element.GetName());
    if (it != myIdsByName.end() && it->second.erase(element.GetId()) != 0 && it->second.empty()) {
        myIdsByName.erase(it);
    }
}

void ElementTable::Rename(const Element& element, const std::string& formerName)
{
    auto it = myIdsByName.find(formerName);
    if (it != myIdsByName.end() && it->second.erase(element.GetId()) != 0) {
        if (it->second.empty()) {
            myIdsByName.erase(it);
        }
        myIdsByName[element.GetName()].insert(element.GetId());
    }
}

} // namespace orvkit
