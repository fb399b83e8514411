#pragma once

#include "Geometry/Kernel/GShapeCollector.h"
#include "Geometry/Kernel/TopoShape.h"

#include <TopoDS_Compound.hxx>

#include <memory>

namespace orvkit {

// Gathers what it is given into one shape: the shape itself when there is one, a compound of
// them when there are several.
class DefaultShapeCollector : public GShapeCollector {
public:
    explicit DefaultShapeCollector(EnumLevelOfDetail levelOfDetail);

    // What was gathered; null when nothing (or only null shapes) came.
    std::shared_ptr<TopoShape> GetShape() const;

protected:
    void Collect(const TopoDS_Shape& placed) override;

private:
    TopoDS_Compound myCompound;
    TopoDS_Shape myFirst;
    int myCount = 0;
};

} // namespace orvkit
