#include "ShapeBuilder.h"

#include <BRepBuilderAPI_Sewing.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <ShapeFix_Solid.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>

#include <vector>

namespace orvkit {

namespace {

int CountFaces(const TopoDS_Shape& shape)
{
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(shape, TopAbs_FACE, faces);
    return faces.Extent();
}

// The shells of the sewn shape when every face is in one and every shell is closed; empty
// otherwise.
std::vector<TopoDS_Shell> ClosedShells(const TopoDS_Shape& sewn)
{
    // A face outside any shell was sewn to nothing.
    if (TopExp_Explorer(sewn, TopAbs_FACE, TopAbs_SHELL).More()) {
        return {};
    }
    std::vector<TopoDS_Shell> shells;
    for (TopExp_Explorer it(sewn, TopAbs_SHELL); it.More(); it.Next()) {
        const TopoDS_Shell& shell = TopoDS::Shell(it.Current());
        if (!BRep_Tool::IsClosed(shell)) {
            return {};
        }
        shells.push_back(shell);
    }
    return shells;
}

// Solids, outward-oriented, from the faces sewn within the tolerance; empty when some face
// stays out of a closed shell or a solid is not valid.
std::vector<TopoDS_Shape> SolidsFromFaces(const TopoDS_Shape& faces, double tolerance)
{
    BRepBuilderAPI_Sewing sewing(tolerance);
    sewing.Add(faces);
    sewing.Perform();
    const TopoDS_Shape sewn = sewing.SewedShape();
    // Sewing leaves out faces it finds degenerate; a solid without them would not be the model.
    if (sewn.IsNull() || CountFaces(sewn) != CountFaces(faces)) {
        return {};
    }
    std::vector<TopoDS_Shape> solids;
    ShapeFix_Solid makeSolid;
    for (const TopoDS_Shell& shell : ClosedShells(sewn)) {
        const TopoDS_Solid solid = makeSolid.SolidFromShell(shell);
        if (solid.IsNull() || !BRepCheck_Analyzer(solid).IsValid()) {
            return {};
        }
        solids.push_back(solid);
    }
    return solids;
}

} // namespace

std::shared_ptr<TopoShape> ShapeBuilder::MakeSolid(const std::shared_ptr<TopoShape>& shape,
                                                   double tolerance)
{
    if (!shape || shape->IsNull()) {
        return nullptr;
    }
    const TopoDS_Shape& input = shape->GetImpl();
    BRep_Builder builder;
    TopoDS_Compound looseFaces;
    builder.MakeCompound(looseFaces);
    bool hasLooseFaces = false;
    for (TopExp_Explorer it(input, TopAbs_FACE, TopAbs_SOLID); it.More(); it.Next()) {
        builder.Add(looseFaces, it.Current());
        hasLooseFaces = true;
    }
    const bool hasSolids = TopExp_Explorer(input, TopAbs_SOLID).More();
    if (!hasLooseFaces) {
        return hasSolids ? shape : nullptr;
    }
    const std::vector<TopoDS_Shape> made = SolidsFromFaces(looseFaces, tolerance);
    if (made.empty()) {
        return nullptr;
    }
    std::vector<TopoDS_Shape> solids;
    for (TopExp_Explorer it(input, TopAbs_SOLID); it.More(); it.Next()) {
        solids.push_back(it.Current());
    }
    solids.insert(solids.end(), made.begin(), made.end());
    if (solids.size() == 1) {
        return TopoShape::Create(solids.front());
    }
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    for (const TopoDS_Shape& solid : solids) {
        builder.Add(compound, solid);
    }
    return TopoShape::Create(compound);
}

} // namespace orvkit
