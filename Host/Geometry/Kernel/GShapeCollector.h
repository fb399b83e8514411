#pragma once

#include <TopoDS_Shape.hxx>
#include <gp_Trsf.hxx>

#include <memory>
#include <vector>

namespace orvkit {

class TopoShape;

// How much of a shape a collector gathers: 0 the bounding box of each shape, as a box solid;
// 1 the same as 2 for this host, which has no lighter display form; 2 the exact B-rep.
enum EnumLevelOfDetail { LevelOfDetailBox = 0, LevelOfDetailDisplay = 1, LevelOfDetailExact = 2 };

// Receives the shapes that document elements draw, each at the placement that the path from
// the collecting element down to it composes. Elements push their own placement around what
// they give (PushPlacement / PopPlacement), so that an instance several levels down lands
// where the viewer draws it.
class GShapeCollector {
public:
    explicit GShapeCollector(EnumLevelOfDetail levelOfDetail) : myLevelOfDetail(levelOfDetail) {}
    virtual ~GShapeCollector() = default;

    EnumLevelOfDetail GetLevelOfDetail() const { return myLevelOfDetail; }

    // Takes one shape, in the coordinates of the element that gives it.
    void AddShape(const TopoDS_Shape& shape);
    // The same for a shape an element holds; a null pointer gives nothing.
    void AddShape(const std::shared_ptr<TopoShape>& shape);
    // Composes `placement` under the current one until the matching PopPlacement.
    void PushPlacement(const gp_Trsf& placement);
    void PopPlacement();
    // The placement shapes added now get.
    const gp_Trsf& GetPlacement() const;
    // How many placements are pushed: the depth of the path being walked.
    size_t GetDepth() const { return myPlacements.size(); }

protected:
    // Receives each shape already placed.
    virtual void Collect(const TopoDS_Shape& placed) = 0;

private:
    EnumLevelOfDetail myLevelOfDetail;
    std::vector<gp_Trsf> myPlacements;
};

} // namespace orvkit
