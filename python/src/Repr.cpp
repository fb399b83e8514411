#include "Repr.h"

#include <pybind11/pybind11.h>

namespace orvex::python {

std::string Quoted(const std::string& text)
{
    return pybind11::repr(pybind11::str(text)).cast<std::string>();
}

std::string Counted(size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace orvex::python
