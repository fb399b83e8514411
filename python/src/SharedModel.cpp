#include "SharedModel.h"

#include <pybind11/pybind11.h>

#include <utility>

namespace orvex::python {

namespace {

void Delete(const SharedModel* shared)
{
    if (PyGILState_Check() == 0) {
        delete shared;
        return;
    }
    pybind11::gil_scoped_release released;
    delete shared;
}

} // namespace

SharedModel::SharedModel(Model&& laidOut)
    : model(std::move(laidOut)), parts(model.Parts()), instances(model.Instances()),
      assemblies(model.Assemblies())
{
}

std::shared_ptr<const SharedModel> SharedModel::Make(Model&& model)
{
    return std::shared_ptr<const SharedModel>(new SharedModel(std::move(model)), &Delete);
}

} // namespace orvex::python
