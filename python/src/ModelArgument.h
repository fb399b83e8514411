#pragma once

#include "SharedModel.h"

#include "orvex/Read.h"

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

namespace orvex::python {

namespace py = pybind11;

// An argument that is an orvex.Model or the path (str or os.PathLike) of a file to read first.
class ModelArgument {
public:
    // With the GIL held; raises TypeError for anything else.
    explicit ModelArgument(const py::handle& value, const char* name);

    // Reads the file, when a path was given; runs with the GIL released. False when it could
    // not be read.
    bool Load(const ReadOptions& options = {});
    // The model, after a Load() that returned true.
    const Model& Get() const { return myModel->model; }
    // Raises ReadError for a Load() that returned false. With the GIL held.
    [[noreturn]] void RaiseFailure() const;

private:
    std::string myPath;
    std::shared_ptr<const SharedModel> myModel;
    ReadFailure myFailure;
};

} // namespace orvex::python
