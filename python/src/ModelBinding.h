#pragma once

#include "SharedModel.h"

#include "orvex/Model.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace orvex::python {

namespace py = pybind11;

// orvex.Model: a model and the Python objects of its parts, made once, so that every instance
// of a part gives the same orvex.Part object.
struct ModelObject {
    std::shared_ptr<const SharedModel> shared;
    std::vector<py::object> parts;

    const std::vector<py::object>& PartObjects();
};

// orvex.Part: one part of a model, which it shares so that it can mesh the part on its own.
struct PartObject {
    std::shared_ptr<const SharedModel> shared;
    size_t index = 0;

    const Part& Get() const { return shared->parts[index]; }
};

// orvex.Instance: one placed product of a model; its orvex.Part is the model's.
struct InstanceObject {
    py::object model; // the orvex.Model
    size_t index = 0;

    ModelObject& Owner() const { return model.cast<ModelObject&>(); }
    const Instance& Get() const { return Owner().shared->instances[index]; }
};

// orvex.Mesh: the arrays own what the library's mesh held.
struct MeshObject {
    py::array_t<float> vertices;
    py::array_t<float> normals;
    py::array_t<std::uint32_t> triangles;
    py::array_t<std::uint32_t> faceIds;
};

// Adds Model, Part, Instance, Assembly, Dimension, Mesh and read() to the module.
void AddModel(py::module_& module);

} // namespace orvex::python
