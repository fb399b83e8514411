#pragma once

#include "Common/Core/ParameterDict.h"
#include "Geometry/Kernel/TopoShape.h"

#include <memory>

namespace orvkit {

// Runs after every read of the generic shape reader and may replace the shape it read.
class ShapeReaderPostprocess {
public:
    virtual ~ShapeReaderPostprocess() = default;
    // The shape to continue with: a repaired one, or `shape` itself.
    virtual std::shared_ptr<TopoShape> Process(const std::shared_ptr<TopoShape>& shape,
                                               ParameterDict* settings) = 0;
};

} // namespace orvkit
