#include "SharedParameterDict.h"

#include <mutex>

namespace orvkit {

void SharedParameterDict::Add(const std::string& key, std::unique_ptr<ParameterValue> value)
{
    const std::unique_lock<std::shared_mutex> lock(myMutex);
    myValues.Add(key, std::move(value));
}

std::unique_ptr<ParameterValue> SharedParameterDict::Find(const std::string& key) const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    const ParameterValue* value = myValues.Find(key);
    return value != nullptr ? value->Clone() : nullptr;
}

bool SharedParameterDict::Remove(const std::string& key)
{
    const std::unique_lock<std::shared_mutex> lock(myMutex);
    return myValues.Remove(key);
}

std::vector<std::string> SharedParameterDict::GetKeys() const
{
    const std::shared_lock<std::shared_mutex> lock(myMutex);
    return myValues.GetKeys();
}

} // namespace orvkit
