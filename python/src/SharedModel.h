#pragma once

#include "orvex/Model.h"

#include <memory>
#include <vector>

namespace orvex::python {

// A model as the module's objects share it. A call on a model in one thread (a read, a write)
// may hold the kernel's locks while it waits for the GIL to report progress, so nothing that
// holds the GIL may wait for those locks:
// - the lists are laid out once, without the GIL, and then read without the model's lock (the
//   model never changes them again);
// - the last share closes the model's document, which takes the kernel's translator lock, so
//   it lets go of the GIL meanwhile.
struct SharedModel {
    Model model;
    const std::vector<Part>& parts;
    const std::vector<Instance>& instances;
    const std::vector<Assembly>& assemblies;

    // Lays the model out; call it without the GIL.
    static std::shared_ptr<const SharedModel> Make(Model&& model);

private:
    explicit SharedModel(Model&& laidOut);
};

} // namespace orvex::python
