#pragma once

// Whoever fills or reads a dictionary makes and reads its values with these.
#include "Common/Core/ParameterCast.h"
#include "Common/Core/ParameterCreator.h"
#include "Common/Core/ParameterValue.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orvkit {

// Key-value settings dictionary owning its values; keys are kept sorted.
class ParameterDict {
public:
    ParameterDict() = default;
    virtual ~ParameterDict() = default;
    ParameterDict(const ParameterDict&) = delete;
    ParameterDict& operator=(const ParameterDict&) = delete;

    // Stores the value under the key, replacing an earlier value. A null value is ignored.
    void Add(const std::string& key, std::unique_ptr<ParameterValue> value);
    // The value under the key, or null.
    ParameterValue* Find(const std::string& key) const;
    // The value as text, or the default when the key is absent.
    std::string GetString(const std::string& key, const std::string& defaultValue) const;
    bool Remove(const std::string& key);
    std::vector<std::string> GetKeys() const;
    size_t Size() const { return myValues.size(); }

private:
    std::map<std::string, std::unique_ptr<ParameterValue>> myValues;
};

} // namespace orvkit
