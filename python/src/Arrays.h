#pragma once

#include <pybind11/numpy.h>

#include <array>
#include <cstdint>
#include <vector>

namespace orvex::python {

namespace py = pybind11;

// A numpy array of `columns` values a row that takes over the memory of `values`: nothing is
// copied, and the array frees the values when Python frees it. `values` must hold whole rows.
py::array_t<float> TakeRows(std::vector<float>&& values, py::ssize_t columns);
py::array_t<std::uint32_t> TakeRows(std::vector<std::uint32_t>&& values, py::ssize_t columns);
// The same as one row of values.
py::array_t<std::uint32_t> TakeValues(std::vector<std::uint32_t>&& values);

// A 4 x 4 matrix given row by row, as a new numpy array.
py::array_t<double> MatrixArray(const std::array<double, 16>& rows);

} // namespace orvex::python
