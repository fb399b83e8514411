#include "StepCurveStyles.h"

#include "Interop/Kernel/XdeModelEdit.h"

#include <BRepTools_WireExplorer.hxx>
#include <Quantity_Color.hxx>
#include <STEPConstruct.hxx>
#include <STEPConstruct_Styles.hxx>
#include <StepGeom_CompositeCurve.hxx>
#include <StepGeom_CompositeCurveSegment.hxx>
#include <StepGeom_Curve.hxx>
#include <StepRepr_RepresentationContext.hxx>
#include <StepShape_GeometricCurveSet.hxx>
#include <StepShape_VertexPoint.hxx>
#include <StepVisual_Colour.hxx>
#include <StepVisual_MechanicalDesignGeometricPresentationRepresentation.hxx>
#include <StepVisual_StyledItem.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <Transfer_FinderProcess.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <XSControl_TransferWriter.hxx>

#include <algorithm>
#include <set>
#include <vector>

namespace orvkit {

namespace {

// An edge, a wire or a vertex with a colour of its own.
struct ColouredCurve {
    TopoDS_Shape part; // the shape of the part it is in
    TopoDS_Shape curve;
    Quantity_Color colour;
};

// The edges, wires and vertices of the parts that have a colour of their own, their curve
// colour where they have one (the writer writes whichever they have).
std::vector<ColouredCurve> ColouredCurves(const XdeDocumentImpl& impl)
{
    std::vector<ColouredCurve> curves;
    for (const TDF_Label& part : XdeModelEdit::Parts(impl)) {
        TDF_LabelSequence subShapes;
        XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
        for (const TDF_Label& sub : subShapes) {
            const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(sub);
            Quantity_Color colour;
            if (!shape.IsNull() &&
                (shape.ShapeType() == TopAbs_EDGE || shape.ShapeType() == TopAbs_WIRE ||
                 shape.ShapeType() == TopAbs_VERTEX) &&
                (impl.colorTool->GetColor(sub, XCAFDoc_ColorCurv, colour) ||
                 impl.colorTool->GetColor(sub, XCAFDoc_ColorGen, colour) ||
                 impl.colorTool->GetColor(sub, XCAFDoc_ColorSurf, colour))) {
                curves.push_back({XCAFDoc_ShapeTool::GetShape(part), shape, colour});
            }
        }
    }
    return curves;
}

// The curves of a curve set in order, those of a composite curve (a wire JoinWireCurves joined)
// in its order.
std::vector<Handle(StepRepr_RepresentationItem)>
CurvesInOrder(const Handle(StepShape_GeometricCurveSet)& set)
{
    std::vector<Handle(StepRepr_RepresentationItem)> curves;
    for (int i = 1; i <= set->NbElements(); ++i) {
        const Handle(Standard_Transient) element = set->ElementsValue(i).Value();
        const auto composite = Handle(StepGeom_CompositeCurve)::DownCast(element);
        for (int j = 1; !composite.IsNull() && j <= composite->NbSegments(); ++j) {
            curves.push_back(composite->SegmentsValue(j)->ParentCurve());
        }
        if (composite.IsNull()) {
            curves.push_back(Handle(StepGeom_Curve)::DownCast(element));
        }
    }
    return curves;
}

// The curve written for an edge of a wire that bounds no face. The writer writes such a wire
// as a curve set of its edges' curves, one an edge in the wire's order, and keeps no record of
// which curve is which edge's. Null when the edge is in no such wire, or in more than one, or
// when the writer left an edge out (a degenerate one): the order then says nothing. A reader
// takes no colour from a curve inside a composite curve; StepWireframe gives the colour to the
// edge it makes of the curve where the wire meets others.
Handle(StepRepr_RepresentationItem) CurveInWire(const Handle(Transfer_FinderProcess)& process,
                                                const TopoDS_Shape& part, const TopoDS_Shape& edge)
{
    TopTools_IndexedDataMapOfShapeListOfShape wires;
    TopExp::MapShapesAndAncestors(part, TopAbs_EDGE, TopAbs_WIRE, wires);
    const TopTools_ListOfShape* holding = wires.Seek(edge);
    if (holding == nullptr || holding->Extent() != 1) {
        return {};
    }
    TopLoc_Location location;
    const auto set = Handle(StepShape_GeometricCurveSet)::DownCast(
        STEPConstruct::FindEntity(process, holding->First(), location));
    if (set.IsNull()) {
        return {};
    }
    // A composite curve has the edges in the order they follow one another.
    std::vector<TopoDS_Shape> edges;
    if (set->NbElements() == 1 &&
        set->ElementsValue(1).Value()->IsKind(STANDARD_TYPE(StepGeom_CompositeCurve))) {
        for (BRepTools_WireExplorer it(TopoDS::Wire(holding->First())); it.More(); it.Next()) {
            edges.push_back(it.Current());
        }
    } else {
        for (TopoDS_Iterator it(holding->First()); it.More(); it.Next()) {
            edges.push_back(it.Value());
        }
    }
    const auto position = std::find_if(edges.begin(), edges.end(),
                                       [&](const TopoDS_Shape& e) { return e.IsSame(edge); }) -
                          edges.begin();
    const std::vector<Handle(StepRepr_RepresentationItem)> curves = CurvesInOrder(set);
    if (size_t(position) == edges.size() || edges.size() != curves.size()) {
        return {};
    }
    return curves[size_t(position)];
}

// A style on a curve set of one curve goes onto the curve: a reader gives a set's colour to
// the compound it makes of the set, and a curve's to the edge (or, of a composite curve, the
// wire) it makes of the curve.
void StyleTheCurve(const Handle(StepVisual_StyledItem)& styled)
{
    const Handle(StepShape_GeometricCurveSet) set =
        Handle(StepShape_GeometricCurveSet)::DownCast(styled->Item());
    if (set.IsNull() || set->NbElements() != 1) {
        return;
    }
    const Handle(StepGeom_Curve) curve =
        Handle(StepGeom_Curve)::DownCast(set->ElementsValue(1).Value());
    if (!curve.IsNull()) {
        styled->SetItem(curve);
    }
}

} // namespace

void StepCurveStyles::Place(const Handle(XSControl_WorkSession)& session,
                            const XdeDocumentImpl& impl)
{
    if (impl.shapeTool.IsNull() || impl.colorTool.IsNull()) {
        return;
    }
    const Handle(Transfer_FinderProcess) process = session->TransferWriter()->FinderProcess();
    // The writer writes an edge alone as a set of its one curve (a wire as a set that
    // JoinWireCurves has left with one composite curve), and gives the set the colour of the
    // edge, or that of the compound or part around it, which it writes as that set too: only
    // the sets of edges and wires with colours of their own hand their style to the curve.
    std::set<const Standard_Transient*> curveSets;
    STEPConstruct_Styles styles(session);
    Handle(StepRepr_RepresentationContext) context;
    for (const ColouredCurve& coloured : ColouredCurves(impl)) {
        TopLoc_Location location;
        const Handle(StepRepr_RepresentationItem) item =
            STEPConstruct::FindEntity(process, coloured.curve, location);
        // The writer styles what it wrote for a point alone, but goes no deeper than the edges
        // of a shape: a vertex of an edge gets its colour here.
        const bool ofEdge = !item.IsNull() && item->IsKind(STANDARD_TYPE(StepShape_VertexPoint));
        if (!item.IsNull() && !ofEdge) {
            curveSets.insert(item.get());
            continue;
        }
        const Handle(StepRepr_RepresentationItem) target =
            ofEdge ? item
            : coloured.curve.ShapeType() == TopAbs_EDGE
                ? CurveInWire(process, coloured.part, coloured.curve)
                : nullptr;
        if (target.IsNull()) {
            continue;
        }
        const Handle(StepVisual_Colour) colour = STEPConstruct_Styles::EncodeColor(coloured.colour);
        styles.AddStyle(target, styles.MakeColorPSA(target, nullptr, colour, nullptr, 0.0),
                        nullptr);
        context = context.IsNull() ? styles.FindContext(coloured.part) : context;
    }
    const Handle(Interface_InterfaceModel) model = session->Model();
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const auto styled = Handle(StepVisual_StyledItem)::DownCast(model->Value(i));
        if (!styled.IsNull() && curveSets.count(styled->Item().get()) > 0) {
            StyleTheCurve(styled);
        }
    }
    // The styles written here are presented as the writer presents its own.
    Handle(StepVisual_MechanicalDesignGeometricPresentationRepresentation) presentation;
    if (!context.IsNull() && styles.CreateMDGPR(context, presentation)) {
        model->AddWithRefs(presentation);
    }
}

} // namespace orvkit
