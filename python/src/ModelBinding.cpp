#include "ModelBinding.h"

#include "Arrays.h"
#include "Errors.h"
#include "FactsBinding.h"
#include "Progress.h"
#include "Repr.h"
#include "WriteChoices.h"

#include "orvex/Pmi.h"
#include "orvex/Read.h"
#include "orvex/Write.h"

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace orvex::python {

namespace {

namespace fs = std::filesystem;

ModelObject ReadModel(const fs::path& path, bool assembly, const std::string& codePage,
                      std::optional<unsigned> transferJobs, py::object progress)
{
    Progress bridge(std::move(progress));
    ReadOptions options;
    options.assembly = assembly;
    options.codePage = codePage;
    options.transferJobs = static_cast<int>(transferJobs.value_or(0));
    options.progress = bridge.Function();
    ReadResult result;
    std::shared_ptr<const SharedModel> shared;
    {
        py::gil_scoped_release released;
        result = Read(path.string(), options);
        if (result) {
            shared = SharedModel::Make(std::move(*result.model));
        }
    }
    bridge.Rethrow();
    if (!shared) {
        RaiseReadError(result.failure);
    }
    return ModelObject{std::move(shared), {}};
}

WriteReport WriteModel(const ModelObject& self, const fs::path& path,
                       const std::optional<std::string>& up,
                       const std::optional<std::string>& fromUp, const std::string& unit,
                       std::optional<double> deflection, double angle,
                       const std::optional<std::string>& select, bool verify, py::object progress)
{
    Progress bridge(std::move(progress));
    WriteOptions options = WriteChoices(up, fromUp, unit, deflection, angle);
    options.select = select.value_or("");
    options.verify = verify;
    options.progress = bridge.Function();
    WriteReport report;
    {
        py::gil_scoped_release released;
        report = Write(self.shared->model, path.string(), options);
    }
    bridge.Rethrow();
    if (!report.failure.empty()) {
        RaiseWriteError(report.path, report.failure);
    }
    return report;
}

py::list InstanceObjects(const py::object& model)
{
    const size_t count = model.cast<ModelObject&>().shared->instances.size();
    py::list instances(count);
    for (size_t i = 0; i < count; ++i) {
        instances[i] = py::cast(InstanceObject{model, i});
    }
    return instances;
}

MeshObject MeshPart(const PartObject& self, std::optional<double> deflection, double angle)
{
    MeshOptions options;
    options.deflection = deflection.value_or(0.0);
    options.angle = angle;
    Mesh mesh;
    {
        py::gil_scoped_release released;
        mesh = self.shared->model.MeshOf(self.index, options);
    }
    return {TakeRows(std::move(mesh.vertices), 3), TakeRows(std::move(mesh.normals), 3),
            TakeRows(std::move(mesh.triangles), 3), TakeValues(std::move(mesh.faceIds))};
}

std::vector<Dimension> DimensionsOf(const ModelObject& self)
{
    py::gil_scoped_release released;
    return self.shared->model.Dimensions();
}

PmiList PmiOf(const ModelObject& self)
{
    py::gil_scoped_release released;
    return ReadPmi(self.shared->model);
}

std::string ModelRepr(const ModelObject& self)
{
    return "<orvex.Model " + Quoted(self.shared->model.Source()) + ": " +
           Counted(self.shared->parts.size(), "part", "parts") + ", " +
           Counted(self.shared->instances.size(), "instance", "instances") + ">";
}

std::string PartRepr(const PartObject& self)
{
    const Part& part = self.Get();
    return "<orvex.Part " + Quoted(part.name) + (part.color ? " " + *part.color : "") + ", " +
           Counted(part.faces, "face", "faces") + ">";
}

std::string InstanceRepr(const InstanceObject& self)
{
    const Instance& instance = self.Get();
    return "<orvex.Instance " + Quoted(instance.path) + " of " +
           Quoted(self.Owner().shared->parts[instance.part].name) + ">";
}

std::string MeshRepr(const MeshObject& self)
{
    return "<orvex.Mesh " +
           Counted(static_cast<size_t>(self.vertices.shape(0)), "vertex", "vertices") + ", " +
           Counted(static_cast<size_t>(self.triangles.shape(0)), "triangle", "triangles") + ">";
}

std::string DimensionRepr(const Dimension& dimension)
{
    std::string text = "<orvex.Dimension " + dimension.kind;
    if (dimension.value) {
        text += " " + py::repr(py::float_(*dimension.value)).cast<std::string>();
    }
    return text + " on " + Counted(dimension.targets.size(), "target", "targets") + ">";
}

} // namespace

const std::vector<py::object>& ModelObject::PartObjects()
{
    if (parts.empty()) {
        const size_t count = shared->parts.size();
        parts.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            parts.push_back(py::cast(PartObject{shared, i}));
        }
    }
    return parts;
}

namespace {

void AddValueClasses(py::module_& module)
{
    py::class_<Assembly>(module, "Assembly", "A product made of components.")
        .def_readonly("name", &Assembly::name)
        .def_readonly("id", &Assembly::id, "The product's id; \"\" when the file gives none.")
        .def_readonly("description", &Assembly::description)
        .def_property_readonly("properties",
                               [](const Assembly& self) { return PropertyDict(self.properties); })
        .def_readonly("components", &Assembly::components,
                      "The names of the products its components place, in their order.")
        .def("__repr__", [](const Assembly& self) {
            return "<orvex.Assembly " + Quoted(self.name) + " of " +
                   Counted(self.components.size(), "component", "components") + ">";
        });

    py::class_<Dimension>(module, "Dimension", "A dimension the file carries (AP242 PMI).")
        .def_readonly("kind", &Dimension::kind,
                      "\"linear distance\", \"angular distance\", \"diameter\", \"radius\", ...")
        .def_readonly("value", &Dimension::value, "In millimetres, or degrees; None if none.")
        .def_readonly("upper", &Dimension::upper, "The upper deviation of its tolerance.")
        .def_readonly("lower", &Dimension::lower, "The lower deviation of its tolerance.")
        .def_readonly("targets", &Dimension::targets,
                      "The paths of the parts whose geometry it measures.")
        .def("__repr__", &DimensionRepr);

    py::class_<MeshObject>(module, "Mesh", "Triangles of a part in its own frame, millimetres.")
        .def_readonly("vertices", &MeshObject::vertices, "float32, one row of x, y, z a vertex.")
        .def_readonly("normals", &MeshObject::normals,
                      "float32, one row a vertex; no rows when the faces give none.")
        .def_readonly("triangles", &MeshObject::triangles,
                      "uint32, three vertex indices a triangle.")
        .def_readonly("face_ids", &MeshObject::faceIds,
                      "uint32, the face of each triangle, numbered as Part.face_colors is.")
        .def("__repr__", &MeshRepr);
}

void AddPartClass(py::module_& module)
{
    py::class_<PartObject>(module, "Part",
                           "One distinct part of a model, however often it is placed.")
        .def_property_readonly(
            "index", [](const PartObject& self) { return self.index; }, "Its place in Model.parts.")
        .def_property_readonly("name", [](const PartObject& self) { return self.Get().name; })
        .def_property_readonly(
            "color", [](const PartObject& self) { return self.Get().color; },
            "\"#rrggbb\", or None when the part has no colour of its own.")
        .def_property_readonly(
            "face_colors", [](const PartObject& self) { return self.Get().faceColors; },
            "Colours of single faces by face index, in the order TopExp::MapShapes meets "
            "them, from 0.")
        .def_property_readonly(
            "faces", [](const PartObject& self) { return self.Get().faces; },
            "How many faces it has.")
        .def_property_readonly(
            "id", [](const PartObject& self) { return self.Get().id; },
            "The product's id; \"\" when the file gives none.")
        .def_property_readonly("description",
                               [](const PartObject& self) { return self.Get().description; })
        .def_property_readonly(
            "material", [](const PartObject& self) { return self.Get().material; },
            "An orvex.Material, or None.")
        .def_property_readonly(
            "bodies", [](const PartObject& self) { return self.Get().bodies; },
            "Its named solids and shells.")
        .def_property_readonly(
            "properties",
            [](const PartObject& self) { return PropertyDict(self.Get().properties); },
            "What the file says about the part: a dict of name to orvex.Property.")
        .def("mesh", &MeshPart, py::arg("deflection") = py::none(), py::arg("angle") = 0.5,
             "Its triangles. deflection: largest distance between surface and triangles in "
             "mm (None: 0.1 % of the part's size); angle: in radians.")
        .def("__repr__", &PartRepr);
}

void AddInstanceClass(py::module_& module)
{
    py::class_<InstanceObject>(module, "Instance",
                               "One product placed in the model: a leaf of its assembly tree.")
        .def_property_readonly(
            "path", [](const InstanceObject& self) { return self.Get().path; },
            "Product names from the root, \"/\" between them; \":N\" tells siblings of one "
            "name apart.")
        .def_property_readonly(
            "part",
            [](const InstanceObject& self) { return self.Owner().PartObjects()[self.Get().part]; },
            "The orvex.Part it places.")
        .def_property_readonly(
            "color", [](const InstanceObject& self) { return self.Get().color; },
            "\"#rrggbb\" it is shown in, or None when nothing on its way is coloured.")
        .def_property_readonly(
            "matrix", [](const InstanceObject& self) { return MatrixArray(self.Get().matrix); },
            "Its placement in the model, a 4 x 4 float64 array in millimetres.")
        .def_property_readonly(
            "properties",
            [](const InstanceObject& self) { return PropertyDict(self.Get().properties); },
            "What the file says about this placement: a dict of name to orvex.Property.")
        .def("__repr__", &InstanceRepr);
}

} // namespace

void AddModel(py::module_& module)
{
    AddValueClasses(module);
    AddPartClass(module);
    AddInstanceClass(module);

    py::class_<ModelObject>(module, "Model",
                            "A model read from a file: its assembly tree, parts, colours and "
                            "dimensions.")
        .def_property_readonly(
            "source", [](const ModelObject& self) { return self.shared->model.Source(); },
            "The file it was read from.")
        .def_property_readonly(
            "warnings", [](const ModelObject& self) { return self.shared->model.Warnings(); },
            "What the read left out of the model, one sentence each.")
        .def_property_readonly(
            "parts",
            [](ModelObject& self) {
                py::list parts;
                for (const py::object& part : self.PartObjects()) {
                    parts.append(part);
                }
                return parts;
            },
            "Each distinct part once.")
        .def(
            "instances", [](py::object self) { return InstanceObjects(self); },
            "Every placed product, in the order of the assembly tree.")
        .def_property_readonly("assemblies",
                               [](const ModelObject& self) { return self.shared->assemblies; })
        .def_property_readonly("dimensions", &DimensionsOf)
        .def_property_readonly("pmi", &PmiOf,
                               "Its semantic PMI: dimensions, geometric tolerances, datums and "
                               "datum targets, read anew on each call.")
        .def("write", &WriteModel, py::arg("path"), py::kw_only(), py::arg("up") = py::none(),
             py::arg("from_up") = py::none(), py::arg("unit") = "mm",
             py::arg("deflection") = py::none(), py::arg("angle") = 0.5,
             py::arg("select") = py::none(), py::arg("verify") = false,
             py::arg("progress") = py::none(),
             "Writes the model, or the part, assembly or instance named by select, in the "
             "format of the path's extension. Raises WriteError when nothing was written.")
        .def("__repr__", &ModelRepr);

    module.def("read", &ReadModel, py::arg("path"), py::kw_only(), py::arg("assembly") = false,
               py::arg("code_page") = "", py::arg("transfer_jobs") = py::none(),
               py::arg("progress") = py::none(),
               "Reads a model file (STEP, IGES, glTF, GLB, OBJ, STL, BREP). Raises ReadError "
               "when it cannot be read. transfer_jobs: processes that translate a STEP file's "
               "parts (default one per core; fewer where the free memory holds fewer models).");
}

} // namespace orvex::python
