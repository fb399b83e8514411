#include "FactsBinding.h"

#include "Repr.h"

#include <pybind11/stl.h>

namespace orvex::python {

namespace py = pybind11;

namespace {

py::object ValueOf(const Property& property)
{
    switch (property.type) {
    case Property::Type::Number:
        return py::float_(property.number);
    case Property::Type::Boolean:
        return py::bool_(property.boolean);
    case Property::Type::Text:
        break;
    }
    return py::str(property.text);
}

std::string PropertyRepr(const Property& property)
{
    std::string text = py::repr(ValueOf(property)).cast<std::string>();
    if (!property.unit.empty()) {
        text += " " + property.unit;
    }
    return "<orvex.Property " + text + ">";
}

} // namespace

py::dict PropertyDict(const Properties& properties)
{
    py::dict dict;
    for (const auto& [name, property] : properties) {
        dict[py::str(name)] = py::cast(property);
    }
    return dict;
}

void AddFacts(py::module_& module)
{
    py::class_<Property>(module, "Property", "A value the file gives a part, instance or body.")
        .def_property_readonly("value", &ValueOf, "A str, a float or a bool.")
        .def_property_readonly(
            "unit",
            [](const Property& self) {
                return self.unit.empty() ? std::nullopt : std::optional<std::string>(self.unit);
            },
            "A number's unit as the file names it (\"kg\", \"mm\"); None when it has none.")
        .def("__repr__", &PropertyRepr);

    py::class_<Material>(module, "Material", "What a part is made of.")
        .def_readonly("name", &Material::name)
        .def_readonly("description", &Material::description)
        .def_readonly("density", &Material::density, "In kg/m³; None when the file gives none.")
        .def("__repr__",
             [](const Material& self) { return "<orvex.Material " + Quoted(self.name) + ">"; });

    py::class_<Body>(module, "Body", "A named solid or shell of a part.")
        .def_readonly("name", &Body::name)
        .def_readonly("kind", &Body::kind, "\"solid\" or \"shell\".")
        .def_readonly("faces", &Body::faces, "Its faces, numbered as Part.face_colors is.")
        .def_property_readonly("properties",
                               [](const Body& self) { return PropertyDict(self.properties); })
        .def("__repr__", [](const Body& self) {
            return "<orvex.Body " + Quoted(self.name) + ", " +
                   Counted(self.faces.size(), "face", "faces") + ">";
        });
}

} // namespace orvex::python
