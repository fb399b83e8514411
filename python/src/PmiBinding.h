#pragma once

#include <pybind11/pybind11.h>

namespace orvex::python {

// Adds Pmi, PmiDimension, PmiTolerance, DatumReference, Datum and DatumTarget to the module.
// Call it before AddModel, whose Model.pmi returns them.
void AddPmi(pybind11::module_& module);

} // namespace orvex::python
