#pragma once

#include "orvex/Context.h"

#include <pybind11/pybind11.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>

namespace orvex::python {

namespace py = pybind11;

// Carries a Python progress callable into a call that runs with the GIL released: each report
// takes the GIL for the callable alone. Ctrl+C is heard through it as well, also without a
// callable. A callable that raises, or an interrupt, stops a read or a write (a conversion
// cannot be stopped and runs to its end); Rethrow() raises the exception once the call has
// returned. The functions it hands out refer to it, so it must outlive the call.
class Progress {
public:
    // `callable` is None or callable(step: str, fraction: float) -> bool | None.
    explicit Progress(py::object callable);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // For reads and writes: false (stop) when the callable returned False or raised.
    ProgressFunction Function();
    // For conversions: callable(done: int, failed: int, total: int), whose result is ignored.
    std::function<void(size_t, size_t, size_t)> CountFunction();

    // Raises what the callable raised or the interrupt, if anything was. With the GIL held.
    void Rethrow();

private:
    // `throttled`: without a callable, take the GIL only now and then.
    template <class... Args> bool Report(bool throttled, Args&&... args);
    bool TakeError();

    py::object myCallable;
    std::optional<py::error_already_set> myError;
    std::chrono::steady_clock::time_point myLastSignalCheck;
};

} // namespace orvex::python
