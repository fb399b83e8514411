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

// The process-wide registry of the generic shape reader's helpers.
class ShapeExchangeManager {
public:
    static ShapeExchangeManager& Instance();

    // Installs the one post-process, replacing (and destroying) an earlier one.
    void SetPostprocess(std::unique_ptr<ShapeReaderPostprocess>&& postprocess);
    ShapeReaderPostprocess* GetPostprocess() const { return myPostprocess.get(); }

private:
    ShapeExchangeManager() = default;

    std::unique_ptr<ShapeReaderPostprocess> myPostprocess;
};

} // namespace orvkit
