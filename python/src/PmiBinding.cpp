#include "PmiBinding.h"

#include "Repr.h"

#include "orvex/Pmi.h"

#include <pybind11/stl.h>

namespace orvex::python {

namespace py = pybind11;

namespace {

std::string TargetsText(const std::vector<std::string>& targets)
{
    return " on " + Counted(targets.size(), "target", "targets") + ">";
}

} // namespace

void AddPmi(py::module_& module)
{
    py::class_<PmiDimension>(module, "PmiDimension", "A dimension with its tolerance.")
        .def_readonly("kind", &PmiDimension::kind,
                      "\"linear distance\", \"diameter\", \"angular location\", \"thickness\", ...")
        .def_readonly("value", &PmiDimension::value, "In millimetres, or degrees.")
        .def_readonly("upper", &PmiDimension::upper, "Upper deviation of a plus/minus tolerance.")
        .def_readonly("lower", &PmiDimension::lower, "Lower deviation, signed (-0.1).")
        .def_readonly("limits", &PmiDimension::limits, "(low, high) of a limits dimension.")
        .def_readonly("tolerance_class", &PmiDimension::toleranceClass,
                      "An ISO 286 class such as \"H7\"; \"\" when none.")
        .def_readonly("qualifier", &PmiDimension::qualifier, "\"min\", \"max\", \"avg\" or \"\".")
        .def_readonly("decimals", &PmiDimension::decimals)
        .def_readonly("targets", &PmiDimension::targets, "\"PART face 12\", ...")
        .def("__repr__", [](const PmiDimension& self) {
            return "<orvex.PmiDimension " + self.kind + TargetsText(self.targets);
        });

    py::class_<PmiDatumReference>(module, "DatumReference", "A datum of a feature control frame.")
        .def_readonly("label", &PmiDatumReference::label)
        .def_readonly("place", &PmiDatumReference::place, "1 primary, 2 secondary, 3 tertiary.")
        .def_readonly("modifiers", &PmiDatumReference::modifiers);

    py::class_<PmiTolerance>(module, "PmiTolerance", "A geometric tolerance (one frame).")
        .def_readonly("type", &PmiTolerance::type, "\"position\", \"flatness\", ...")
        .def_readonly("value", &PmiTolerance::value, "In millimetres.")
        .def_readonly("zone", &PmiTolerance::zone, "\"diameter\", \"spherical diameter\" or \"\".")
        .def_readonly("modifiers", &PmiTolerance::modifiers, "\"MMC\", \"projected\", ...")
        .def_readonly("zone_value", &PmiTolerance::zoneValue)
        .def_readonly("datums", &PmiTolerance::datums, "In frame order.")
        .def_readonly("targets", &PmiTolerance::targets)
        .def_readonly("frame", &PmiTolerance::frame, "As drawn: \"⌖ ⌀0.15 Ⓛ | G | H\".")
        .def("__repr__", [](const PmiTolerance& self) {
            return "<orvex.PmiTolerance " + self.frame + TargetsText(self.targets);
        });

    py::class_<PmiDatum>(module, "Datum", "A datum feature.")
        .def_readonly("label", &PmiDatum::label)
        .def_readonly("targets", &PmiDatum::targets)
        .def("__repr__", [](const PmiDatum& self) {
            return "<orvex.Datum " + self.label + TargetsText(self.targets);
        });

    py::class_<PmiDatumTarget>(module, "DatumTarget", "A datum target such as A1.")
        .def_readonly("label", &PmiDatumTarget::label)
        .def_readonly("type", &PmiDatumTarget::type, "\"point\", \"line\", \"circle\", ...")
        .def_readonly("datum", &PmiDatumTarget::datum)
        .def_readonly("targets", &PmiDatumTarget::targets)
        .def("__repr__", [](const PmiDatumTarget& self) {
            return "<orvex.DatumTarget " + self.label + TargetsText(self.targets);
        });

    py::class_<PmiList>(module, "Pmi",
                        "The semantic PMI of a model; millimetres and degrees. A target is "
                        "\"PART face N\", N counted as Part.face_colors counts faces.")
        .def_readonly("dimensions", &PmiList::dimensions)
        .def_readonly("tolerances", &PmiList::tolerances)
        .def_readonly("datums", &PmiList::datums)
        .def_readonly("datum_targets", &PmiList::datumTargets)
        .def("__repr__", [](const PmiList& self) {
            return "<orvex.Pmi " + Counted(self.Count(), "item", "items") + ">";
        });
}

} // namespace orvex::python
