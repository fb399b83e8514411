#pragma once

#include <string>
#include <vector>

namespace orvkit {

// How a write went.
struct XdeWriteResult {
    // Why nothing was written (no format has the extension, the folder cannot be written, the
    // model has nothing the format can hold, the writer failed); empty when the file was.
    std::string failure;
    // What the file written does not keep of the model, one sentence each ("the assembly tree
    // is flattened"); a user should see them.
    std::vector<std::string> warnings;

    explicit operator bool() const { return failure.empty(); }
};

} // namespace orvkit
