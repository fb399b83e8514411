#pragma once

#include <string>

namespace orvkit {

// Category names shared by the application's elements.
struct CategoryNames {
    // Shapes, wires, groups, assemblies and instances ("Shape").
    static const std::string& Shape();
    // Documents placed in a document ("SubDocument").
    static const std::string& SubDocument();
};

} // namespace orvkit
