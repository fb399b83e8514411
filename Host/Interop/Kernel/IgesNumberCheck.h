#pragma once

#include <string>

namespace orvkit {

// Looks through the parameter section of the IGES file at `path` for a number beyond what
// OpenCASCADE's geometry holds (magnitude beyond 2e100, or past what a double holds, as
// "-1.0D999"): OpenCASCADE's IGES translator loops on such geometry instead of failing. The
// reason, naming the entity by its directory line, for the first one; empty when there is
// none. Texts (Hollerith strings) are skipped; the parameter and record delimiters are the
// file's own.
std::string FindHostileIgesNumber(const std::string& path);

} // namespace orvkit
