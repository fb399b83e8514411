#include "FixShapeTool.h"

#include "Common/Core/Logger.h"

#include <BRepCheck_Analyzer.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Precision.hxx>
#include <ShapeFix_Shape.hxx>
#include <ShapeFix_Wireframe.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_DataMapOfShapeShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>

#include <algorithm>

namespace orvkit {

namespace {

const char* const kPartsKept =
    "Small edges kept on %d of %d parts: removing them would leave the part invalid or "
    "stretch a vertex beyond %g";

double LargestVertexTolerance(const TopoDS_Shape& shape)
{
    double largest = 0.0;
    for (TopExp_Explorer it(shape, TopAbs_VERTEX); it.More(); it.Next()) {
        largest = std::max(largest, BRep_Tool::Tolerance(TopoDS::Vertex(it.Current())));
    }
    return largest;
}

// A compound that only groups solids (an assembly): its members are repaired one by one, so
// that one part the repair would spoil does not keep the others from being repaired.
bool GroupsSolidsOnly(const TopoDS_Shape& shape)
{
    if (shape.ShapeType() != TopAbs_COMPOUND) {
        return false;
    }
    for (TopoDS_Iterator it(shape); it.More(); it.Next()) {
        const TopAbs_ShapeEnum type = it.Value().ShapeType();
        if (type != TopAbs_COMPOUND && type != TopAbs_COMPSOLID && type != TopAbs_SOLID) {
            return false;
        }
    }
    return true;
}

// Removes small edges part by part: each solid on its own, faces and edges that are not in a
// solid together with their neighbours (they may share edges), each distinct part once however
// often the shape places it.
class SmallEdgeRepair {
public:
    SmallEdgeRepair(double length, double maxTolerance)
        : myLength(length), myMaxTolerance(maxTolerance)
    {
    }

    TopoDS_Shape Apply(const TopoDS_Shape& shape)
    {
        if (GroupsSolidsOnly(shape)) {
            TopoDS_Compound compound;
            BRep_Builder builder;
            builder.MakeCompound(compound);
            // Members as stored, with their own placement; the compound's is put back below.
            for (TopoDS_Iterator it(shape, Standard_False, Standard_False); it.More(); it.Next()) {
                builder.Add(compound, Apply(it.Value()));
            }
            compound.Location(shape.Location());
            compound.Orientation(shape.Orientation());
            return compound;
        }
        const TopoDS_Shape bare = shape.Located(TopLoc_Location()).Oriented(TopAbs_FORWARD);
        if (!myRepaired.IsBound(bare)) {
            myRepaired.Bind(bare, RepairPart(bare));
        }
        return myRepaired(bare).Located(shape.Location()).Oriented(shape.Orientation());
    }

    int GetPartCount() const { return myRepaired.Extent(); }
    int GetKeptCount() const { return myKept; }

private:
    TopoDS_Shape RepairPart(const TopoDS_Shape& part)
    {
        // A part may come with looser vertices than the bound; the repair must not make them
        // worse than the larger of the two.
        const double allowed = std::max(myMaxTolerance, LargestVertexTolerance(part));
        Handle(ShapeFix_Wireframe) wireframe = new ShapeFix_Wireframe(part);
        wireframe->SetPrecision(myLength);
        wireframe->SetMaxTolerance(myMaxTolerance);
        wireframe->ModeDropSmallEdges() = Standard_True;
        // FixSmallEdges's own answer only speaks for the last member of a compound, so the
        // shape tells whether anything changed.
        wireframe->FixSmallEdges();
        const TopoDS_Shape joined = wireframe->Shape();
        if (joined.IsSame(part)) {
            return part;
        }
        if (IsAcceptable(joined, allowed)) {
            return joined;
        }
        // Joining edges can leave wires out of order or faces that lost their last edge; the
        // general healing often puts that right within the same bound.
        ShapeFix_Shape healing(joined);
        healing.SetPrecision(Precision::Confusion());
        healing.SetMaxTolerance(allowed);
        healing.Perform();
        if (IsAcceptable(healing.Shape(), allowed)) {
            return healing.Shape();
        }
        ++myKept;
        return part;
    }

    static bool IsAcceptable(const TopoDS_Shape& repaired, double allowed)
    {
        return !repaired.IsNull() &&
               LargestVertexTolerance(repaired) <= allowed * (1.0 + Precision::Confusion()) &&
               BRepCheck_Analyzer(repaired).IsValid();
    }

    double myLength;
    double myMaxTolerance;
    TopTools_DataMapOfShapeShape myRepaired; // keyed by the part without placement
    int myKept = 0;
};

} // namespace

std::shared_ptr<TopoShape> FixShapeTool::FixSmallEdges(const std::shared_ptr<TopoShape>& shape,
                                                       double length, double toleranceFactor)
{
    if (!shape || shape->IsNull() || !(length > 0.0) || !(toleranceFactor > 0.0)) {
        return nullptr;
    }
    const double maxTolerance = length * toleranceFactor;
    SmallEdgeRepair repair(length, maxTolerance);
    const TopoDS_Shape result = repair.Apply(shape->GetImpl());
    if (repair.GetKeptCount() > 0) {
        Logger::Instance().Message(2, kPartsKept, repair.GetKeptCount(), repair.GetPartCount(),
                                   maxTolerance);
    }
    return result.IsNull() ? nullptr : TopoShape::Create(result);
}

} // namespace orvkit
