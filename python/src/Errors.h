#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace orvex {
struct ReadFailure;
}

namespace orvex::python {

namespace py = pybind11;

// Adds orvex.Error (an Exception), and its subclasses ReadError and WriteError, to the module.
void AddErrors(py::module_& module);

// Raise the exceptions; each carries its parts as attributes besides the message. With the GIL
// held.
// ReadError "cannot read 'PATH': REASON", the program's error line, with .path, .kind and
// .reason.
[[noreturn]] void RaiseReadError(const ReadFailure& failure);
// WriteError with the failure of a write report ("cannot write 'PATH': REASON"), and .path.
[[noreturn]] void RaiseWriteError(const std::string& path, const std::string& failure);
// Error with `message`.
[[noreturn]] void RaiseError(const std::string& message);

} // namespace orvex::python
