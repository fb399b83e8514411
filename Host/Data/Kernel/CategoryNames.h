#pragma once

#include <string>

namespace orvkit {

// Category names shared by the application's elements.
struct CategoryNames {
    static const std::string& Shape();
};

} // namespace orvkit
