#pragma once

#include <string>

namespace orvex::detail {

// The page's HTML with its marks (view/page.html), built into the library.
std::string PageTemplate();
// The page's own script (view/viewer.js), built into the library.
std::string ViewerScript();
// Where the system's three.js is (libjs-three), fixed when the program is configured.
std::string ThreeDirectory();

} // namespace orvex::detail
