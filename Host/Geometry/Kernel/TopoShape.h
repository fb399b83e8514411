#pragma once

#include <TopAbs_ShapeEnum.hxx>
#include <TopoDS_Shape.hxx>

#include <memory>

namespace orvkit {

// Shape kinds, numbered like OpenCASCADE's TopAbs_ShapeEnum.
enum EnumTopoShapeType {
    TopoShapeCompound = 0,
    TopoShapeCompSolid = 1,
    TopoShapeSolid = 2,
    TopoShapeShell = 3,
    TopoShapeFace = 4,
    TopoShapeWire = 5,
    TopoShapeEdge = 6,
    TopoShapeVertex = 7,
    TopoShapeShape = 8
};

// The application's shape object around an OpenCASCADE shape, always held by shared pointer.
//
// Sub-shape numbering, used everywhere a sub-shape is named by a number (face colour tables,
// picked ids, reference targets): the sub-shapes of one kind are numbered from 0 in the order
// of TopExp::MapShapes(shape, kind), that is, the first-visit order of a depth-first walk,
// each distinct sub-shape (same TShape and location, any orientation) counted once.
class TopoShape {
public:
    explicit TopoShape(const TopoDS_Shape& shape) : myShape(shape) {}

    static std::shared_ptr<TopoShape> Create(const TopoDS_Shape& shape);

    const TopoDS_Shape& GetImpl() const { return myShape; }
    EnumTopoShapeType GetShapeType() const;
    bool IsNull() const { return myShape.IsNull(); }

    // Index of `child` among this shape's sub-shapes of the child's kind (numbering above);
    // -1 when it is null or not a sub-shape of this shape.
    int FindChildIndex(const std::shared_ptr<TopoShape>& child) const;
    // The sub-shape of `type` with the given index; a null shape when out of range.
    TopoDS_Shape FindChild(EnumTopoShapeType type, int index) const;
    // Number of distinct sub-shapes of a kind.
    int CountChildren(EnumTopoShapeType type) const;

private:
    TopoDS_Shape myShape;
};

} // namespace orvkit
