#pragma once

#include "orvex/Model.h"

#include <pybind11/pybind11.h>

namespace orvex::python {

// Adds Property, Material and Body to the module. Call it before AddModel, whose parts,
// instances and assemblies give them.
void AddFacts(pybind11::module_& module);

// A part's, an instance's or a body's properties as a dict of name to Property.
pybind11::dict PropertyDict(const Properties& properties);

} // namespace orvex::python
