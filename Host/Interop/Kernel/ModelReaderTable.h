#pragma once

#include "Geometry/IO/ModelFormat.h"
#include "Interop/Kernel/ModelFileReader.h"

#include <string>

namespace orvkit {

// Which reader takes which model files: one line per reader, with the formats of ModelFormat's
// table it takes, and so their extensions. Each reader checks the content it is given itself.
// A new format is a ModelFileReader class and one line here.
class ModelReaderTable {
public:
    // The reader of the path's extension, compared in any case; null when no line takes it.
    static const ModelFileReader* ForPath(const std::string& path);
    // ".step, .stp, .iges, ...": every extension a reader takes, in the table's order.
    static std::string Extensions();
};

} // namespace orvkit
