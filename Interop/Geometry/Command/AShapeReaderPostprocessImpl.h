#pragma once

#include "Geometry/IO/ShapeReaderPostprocess.h"

// Repairs every shape the generic shape reader reads, as the import settings ask: removes
// small edges ("FixEdges", "EdgeLength") and sews the faces into a solid ("FixSolid",
// "MakeSolidTol"). Holds no state.
class ShapeReaderPostprocessImpl : public orvkit::ShapeReaderPostprocess {
public:
    ~ShapeReaderPostprocessImpl() override;

    // The repaired shape; `shape` itself when no repair was asked for or none could be done.
    // A failed solid-making is logged and leaves the shape as it was before it.
    std::shared_ptr<orvkit::TopoShape> Process(const std::shared_ptr<orvkit::TopoShape>& shape,
                                               orvkit::ParameterDict* settings) override;
};
