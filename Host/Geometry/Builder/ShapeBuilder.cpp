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
    // A face outside any shell was not sewn to anything.
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

} // namespace

std::shared_ptr<TopoShape> ShapeBuilder::MakeSolid(const std::shared_ptr<TopoShape>& shape,
                                                   double tolerance)
{
    if (!shape || shape->IsNull()) {
        return nullptr;
    }
    if (shape->GetImpl().ShapeType() == TopAbs_SOLID) {
        return shape;
    }
    const int faceCount = CountFaces(shape->GetImpl());
    if (faceCount == 0) {
        return nullptr;
    }
    BRepBuilderAPI_Sewing sewing(tolerance);
    sewing.Add(shape->GetImpl());
    sewing.Perform();
    const TopoDS_Shape sewn = sewing.SewedShape();
    // Sewing drops faces it finds degenerate; a solid without them would not be the model read.
    if (sewn.IsNull() || CountFaces(sewn) != faceCount) {
        return nullptr;
    }
    const std::vector<TopoDS_Shell> shells = ClosedShells(sewn);
    if (shells.empty()) {
        return nullptr;
    }
    ShapeFix_Solid makeSolid;
    TopoDS_Shape result;
    if (shells.size() == 1) {
        result = makeSolid.SolidFromShell(shells.front());
    } else {
        TopoDS_Compound compound;
        BRep_Builder builder;
        builder.MakeCompound(compound);
        for (const TopoDS_Shell& shell : shells) {
            builder.Add(compound, makeSolid.SolidFromShell(shell));
        }
        result = compound;
    }
    if (result.IsNull() || !BRepCheck_Analyzer(result).IsValid()) {
        return nullptr;
    }
    return TopoShape::Create(result);
}

} // namespace orvkit
