#include "Arrays.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace orvex::python {

namespace {

// The vector moves to the heap, where a capsule owns it as the base of the array.
template <class T> py::array_t<T> Take(std::vector<T>&& values, std::vector<py::ssize_t> shape)
{
    auto owned = std::make_unique<std::vector<T>>(std::move(values));
    const T* data = owned->data();
    py::capsule owner(owned.get(),
                      [](void* vector) { delete static_cast<std::vector<T>*>(vector); });
    owned.release();
    return py::array_t<T>(std::move(shape), data, owner);
}

template <class T> py::array_t<T> TakeRowsOf(std::vector<T>&& values, py::ssize_t columns)
{
    const auto rows = static_cast<py::ssize_t>(values.size()) / columns;
    return Take(std::move(values), {rows, columns});
}

} // namespace

py::array_t<float> TakeRows(std::vector<float>&& values, py::ssize_t columns)
{
    return TakeRowsOf(std::move(values), columns);
}

py::array_t<std::uint32_t> TakeRows(std::vector<std::uint32_t>&& values, py::ssize_t columns)
{
    return TakeRowsOf(std::move(values), columns);
}

py::array_t<std::uint32_t> TakeValues(std::vector<std::uint32_t>&& values)
{
    const auto size = static_cast<py::ssize_t>(values.size());
    return Take(std::move(values), {size});
}

py::array_t<double> MatrixArray(const std::array<double, 16>& rows)
{
    py::array_t<double> matrix({4, 4});
    std::copy(rows.begin(), rows.end(), matrix.mutable_data());
    return matrix;
}

} // namespace orvex::python
