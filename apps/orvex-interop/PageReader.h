#pragma once

#include "ViewPage.h"

#include <memory>
#include <string>

namespace orvex::cli {

// The page of any file the program reads: STEP and IGES through Xde2Doc, scenes (VRML)
// through the scene readers, anything else through the "Import" command. Null once the reason
// is printed.
std::unique_ptr<ViewPage> ReadPage(const std::string& file);

} // namespace orvex::cli
