#pragma once

#include <pybind11/pybind11.h>

namespace orvex::python {

namespace py = pybind11;

// Adds the report classes (WriteReport, CompareReport, CheckReport, ConvertReport, SplitReport
// and their parts) and compare(), check(), convert() and split() to the module.
void AddReports(py::module_& module);

} // namespace orvex::python
