#include "ObjectId.h"

#include <atomic>

namespace orvkit {

const ObjectId ObjectId::InvalidId{};

ObjectId ObjectId::NewId()
{
    static std::atomic<uint64_t> next{1};
    return ObjectId(next.fetch_add(1, std::memory_order_relaxed));
}

} // namespace orvkit
