// The compiled part of the Python package `orvex`: a thin face of Orvex.Api. Every call that
// reads, writes, meshes or compares runs with the GIL released, so other Python threads go on
// meanwhile; a progress callable gets the GIL back for its own call.
#include "Errors.h"
#include "FactsBinding.h"
#include "ModelBinding.h"
#include "PmiBinding.h"
#include "ReportBinding.h"

#include <pybind11/pybind11.h>

PYBIND11_MODULE(_orvex, module)
{
    namespace python = orvex::python;
    module.doc() = "Read, write, compare, check and convert CAD models (STEP, IGES, glTF, ...).";
    module.attr("__version__") = ORVEX_VERSION;
    // Classes and functions take their module's name as they are made: they are shown as the
    // package's, where users find them ("orvex.Model", not "orvex._orvex.Model").
    const pybind11::object name = module.attr("__name__");
    module.attr("__name__") = "orvex";
    python::AddErrors(module);
    // The reports first, so that the signatures of the calls that return them name them.
    python::AddReports(module);
    python::AddPmi(module);
    python::AddFacts(module);
    python::AddModel(module);
    module.attr("__name__") = name;
}
