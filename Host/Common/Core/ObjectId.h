#pragma once

#include <cstdint>
#include <functional>

namespace orvkit {

// Identifier of a document element. Ids are unique within the process; the value 0 is the
// null id, ObjectId::InvalidId.
class ObjectId {
public:
    constexpr ObjectId() = default;
    constexpr explicit ObjectId(uint64_t value) : myValue(value) {}

    static const ObjectId InvalidId;
    // A fresh id, never handed out before in this process.
    static ObjectId NewId();

    constexpr uint64_t GetValue() const { return myValue; }
    constexpr bool IsValid() const { return myValue != 0; }

    constexpr bool operator<(const ObjectId& other) const { return myValue < other.myValue; }
    constexpr bool operator==(const ObjectId& other) const { return myValue == other.myValue; }
    constexpr bool operator!=(const ObjectId& other) const { return myValue != other.myValue; }

private:
    uint64_t myValue = 0;
};

} // namespace orvkit

template <> struct std::hash<orvkit::ObjectId> {
    size_t operator()(const orvkit::ObjectId& id) const noexcept
    {
        return std::hash<uint64_t>()(id.GetValue());
    }
};
