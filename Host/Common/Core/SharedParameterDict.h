#pragma once

#include "Common/Core/ParameterDict.h"

#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

namespace orvkit {

// A settings dictionary that several threads read and change, such as the application's
// preferences: every call takes the dictionary's lock, and values come out as copies, so nothing
// handed out changes or goes away under the caller.
class SharedParameterDict {
public:
    SharedParameterDict() = default;
    SharedParameterDict(const SharedParameterDict&) = delete;
    SharedParameterDict& operator=(const SharedParameterDict&) = delete;

    // Stores the value under the key, replacing an earlier value. A null value is ignored.
    void Add(const std::string& key, std::unique_ptr<ParameterValue> value);
    // A copy of the value under the key, or null.
    std::unique_ptr<ParameterValue> Find(const std::string& key) const;
    // False when the key was absent.
    bool Remove(const std::string& key);
    // The keys, sorted.
    std::vector<std::string> GetKeys() const;

private:
    mutable std::shared_mutex myMutex;
    ParameterDict myValues;
};

} // namespace orvkit
