#include "ParameterDict.h"

namespace orvkit {

void ParameterDict::Add(const std::string& key, std::unique_ptr<ParameterValue> value)
{
    if (value) {
        myValues[key] = std::move(value);
    }
}

ParameterValue* ParameterDict::Find(const std::string& key) const
{
    auto it = myValues.find(key);
    return it == myValues.end() ? nullptr : it->second.get();
}

std::string ParameterDict::GetString(const std::string& key, const std::string& defaultValue) const
{
    const ParameterValue* value = Find(key);
    return value != nullptr ? value->ToString() : defaultValue;
}

bool ParameterDict::Remove(const std::string& key)
{
    return myValues.erase(key) > 0;
}

std::vector<std::string> ParameterDict::GetKeys() const
{
    std::vector<std::string> keys;
    keys.reserve(myValues.size());
    for (const auto& entry : myValues) {
        keys.push_back(entry.first);
    }
    return keys;
}

} // namespace orvkit
