#pragma once

#include <nlohmann/json.hpp>
#include <pybind11/pybind11.h>

namespace orvex::python {

namespace py = pybind11;

// A report's JSON as Python values: dict, list, str, int, float, bool and None, keys in the
// report's order.
py::object JsonValue(const nlohmann::json& json);
py::object JsonValue(const nlohmann::ordered_json& json);

} // namespace orvex::python
