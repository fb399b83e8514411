#include "Errors.h"

#include "orvex/Read.h"

#include <initializer_list>
#include <utility>

namespace orvex::python {

namespace {

// The module's dictionary holds the references; these stay valid for as long as it lives and
// are never released at exit, when the interpreter may be gone.
PyObject* theError = nullptr;
PyObject* theReadError = nullptr;
PyObject* theWriteError = nullptr;

PyObject* AddError(py::module_& module, const char* name, PyObject* base, const char* doc)
{
    const std::string qualified = std::string("orvex.") + name;
    PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, base, nullptr);
    if (type == nullptr) {
        throw py::error_already_set();
    }
    module.add_object(name, py::handle(type));
    return type;
}

[[noreturn]] void Raise(PyObject* type, const std::string& message,
                        std::initializer_list<std::pair<const char*, std::string>> attributes)
{
    py::object error = py::reinterpret_borrow<py::object>(type)(message);
    for (const auto& [name, value] : attributes) {
        error.attr(name) = value;
    }
    PyErr_SetObject(type, error.ptr());
    throw py::error_already_set();
}

} // namespace

void AddErrors(py::module_& module)
{
    theError = AddError(module, "Error", PyExc_Exception,
                        "A model could not be read, written or converted.");
    theReadError = AddError(module, "ReadError", theError,
                            "A file could not be read: .path, .kind (\"not found\", \"empty\", "
                            "\"parse error\", \"cancelled\", ...) and .reason.");
    theWriteError = AddError(module, "WriteError", theError, "A file could not be written: .path.");
}

void RaiseReadError(const ReadFailure& failure)
{
    Raise(theReadError, failure.Text(),
          {{"path", failure.path}, {"kind", failure.kind}, {"reason", failure.reason}});
}

void RaiseWriteError(const std::string& path, const std::string& failure)
{
    Raise(theWriteError, failure, {{"path", path}});
}

void RaiseError(const std::string& message)
{
    Raise(theError, message, {});
}

} // namespace orvex::python
