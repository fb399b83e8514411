#pragma once

#include <cstddef>
#include <string>

namespace orvex::python {

// Pieces of the objects' __repr__ texts.
// A text as Python shows a str: quoted and escaped. With the GIL held.
std::string Quoted(const std::string& text);
// "1 part", "3 parts".
std::string Counted(size_t count, const char* one, const char* many);

} // namespace orvex::python
