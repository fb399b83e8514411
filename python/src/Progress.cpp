#include "Progress.h"

#include <string>
#include <utility>

namespace orvex::python {

namespace {

// Without a callable a read or a write takes the GIL only this often, to hear Ctrl+C. A
// conversion reports once a file and always takes it, so its reports may come from any thread.
constexpr auto kSignalCheckInterval = std::chrono::milliseconds(50);

} // namespace

Progress::Progress(py::object callable)
    : myCallable(callable.is_none() ? py::object() : std::move(callable)),
      myLastSignalCheck(std::chrono::steady_clock::now())
{
}

Progress::~Progress() = default;

ProgressFunction Progress::Function()
{
    return
        [this](const std::string& step, double fraction) { return Report(true, step, fraction); };
}

std::function<void(size_t, size_t, size_t)> Progress::CountFunction()
{
    return [this](size_t done, size_t failed, size_t total) { Report(false, done, failed, total); };
}

template <class... Args> bool Progress::Report(bool throttled, Args&&... args)
{
    if (throttled && !myCallable) {
        const auto now = std::chrono::steady_clock::now();
        if (now - myLastSignalCheck < kSignalCheckInterval) {
            return true;
        }
        myLastSignalCheck = now;
    }
    py::gil_scoped_acquire held;
    if (myError) {
        return false;
    }
    if (PyErr_CheckSignals() != 0) {
        return TakeError();
    }
    if (!myCallable) {
        return true;
    }
    py::object result;
    try {
        result = myCallable(std::forward<Args>(args)...);
    } catch (py::error_already_set& error) {
        myError.emplace(std::move(error));
        return false;
    }
    if (result.is_none()) {
        return true;
    }
    const int truth = PyObject_IsTrue(result.ptr());
    return truth < 0 ? TakeError() : truth != 0;
}

bool Progress::TakeError()
{
    myError.emplace();
    return false;
}

void Progress::Rethrow()
{
    if (!myError) {
        return;
    }
    py::error_already_set error = std::move(*myError);
    myError.reset();
    throw error;
}

} // namespace orvex::python
