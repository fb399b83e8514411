#include "ModelArgument.h"

#include "Errors.h"
#include "ModelBinding.h"

#include <pybind11/stl/filesystem.h>

#include <filesystem>

namespace orvex::python {

ModelArgument::ModelArgument(const py::handle& value, const char* name)
{
    if (py::isinstance<ModelObject>(value)) {
        myModel = value.cast<const ModelObject&>().shared;
        return;
    }
    if (!py::isinstance<py::str>(value) && !py::isinstance<py::bytes>(value) &&
        !py::hasattr(value, "__fspath__")) {
        throw py::type_error(
            std::string(name) + " must be an orvex.Model or a path, not " +
            py::str(py::type::handle_of(value).attr("__name__")).cast<std::string>());
    }
    myPath = value.cast<std::filesystem::path>().string();
}

bool ModelArgument::Load(const ReadOptions& options)
{
    if (myModel) {
        return true;
    }
    ReadResult result = Read(myPath, options);
    if (!result) {
        myFailure = std::move(result.failure);
        return false;
    }
    myModel = SharedModel::Make(std::move(*result.model));
    return true;
}

void ModelArgument::RaiseFailure() const
{
    RaiseReadError(myFailure);
}

} // namespace orvex::python
