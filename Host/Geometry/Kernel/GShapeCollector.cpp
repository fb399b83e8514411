#include "GShapeCollector.h"

#include "Geometry/Kernel/TopoShape.h"

#include <BRepBndLib.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <Bnd_Box.hxx>

namespace orvkit {

namespace {

// The bounding box of the shape as a box solid; the shape itself when the box is flat or void.
TopoDS_Shape BoxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::Add(shape, box);
    if (box.IsVoid()) {
        return shape;
    }
    double xMin, yMin, zMin, xMax, yMax, zMax;
    box.Get(xMin, yMin, zMin, xMax, yMax, zMax);
    const double tiny = 1e-7;
    if (xMax - xMin < tiny || yMax - yMin < tiny || zMax - zMin < tiny) {
        return shape;
    }
    return BRepPrimAPI_MakeBox(gp_Pnt(xMin, yMin, zMin), gp_Pnt(xMax, yMax, zMax)).Shape();
}

} // namespace

void GShapeCollector::AddShape(const TopoDS_Shape& shape)
{
    if (shape.IsNull()) {
        return;
    }
    const gp_Trsf& placement = GetPlacement();
    TopoDS_Shape placed = placement.Form() == gp_Identity ? shape : shape.Moved(placement);
    Collect(myLevelOfDetail == LevelOfDetailBox ? BoxOf(placed) : placed);
}

void GShapeCollector::AddShape(const std::shared_ptr<TopoShape>& shape)
{
    if (shape) {
        AddShape(shape->GetImpl());
    }
}

void GShapeCollector::PushPlacement(const gp_Trsf& placement)
{
    myPlacements.push_back(GetPlacement().Multiplied(placement));
}

void GShapeCollector::PopPlacement()
{
    if (!myPlacements.empty()) {
        myPlacements.pop_back();
    }
}

const gp_Trsf& GShapeCollector::GetPlacement() const
{
    static const gp_Trsf identity;
    return myPlacements.empty() ? identity : myPlacements.back();
}

} // namespace orvkit
