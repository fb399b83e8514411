#include "StepWireframe.h"

#include "Interop/Kernel/XdeModelEdit.h"

#include <Interface_InterfaceModel.hxx>
#include <STEPConstruct.hxx>
#include <StepGeom_CartesianPoint.hxx>
#include <StepGeom_CompositeCurve.hxx>
#include <StepGeom_CompositeCurveSegment.hxx>
#include <StepGeom_HArray1OfTrimmingSelect.hxx>
#include <StepGeom_TrimmedCurve.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_Representation.hxx>
#include <StepShape_ConnectedEdgeSet.hxx>
#include <StepShape_EdgeBasedWireframeModel.hxx>
#include <StepShape_EdgeCurve.hxx>
#include <StepShape_GeometricCurveSet.hxx>
#include <StepShape_HArray1OfConnectedEdgeSet.hxx>
#include <StepShape_HArray1OfEdge.hxx>
#include <StepShape_VertexPoint.hxx>
#include <StepVisual_StyledItem.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_DataMapOfShapeInteger.hxx>
#include <Transfer_FinderProcess.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <XSControl_TransferWriter.hxx>

#include <algorithm>
#include <array>
#include <map>
#include <numeric>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orvkit {

namespace {

using CurveSets = std::vector<Handle(StepShape_GeometricCurveSet)>;
using TrimmedCurves = std::vector<Handle(StepGeom_TrimmedCurve)>;
using Styled = std::unordered_set<const Standard_Transient*>;

// What the curve sets of meeting wires and edges are replaced with.
struct Replacement {
    std::unordered_map<const Standard_Transient*, Handle(StepShape_ConnectedEdgeSet)> edgeSets;
    std::unordered_map<const Standard_Transient*, Handle(StepShape_EdgeCurve)> edges;
    // The curve sets, composite curves and trimmed curves nothing refers to any more.
    std::unordered_set<const Standard_Transient*> left;
};

// The wires and edges of a part that bound no face: the writer writes each as a curve set.
std::vector<TopoDS_Shape> FreeCurves(const TopoDS_Shape& part)
{
    std::vector<TopoDS_Shape> curves;
    for (TopExp_Explorer it(part, TopAbs_WIRE, TopAbs_FACE); it.More(); it.Next()) {
        curves.push_back(it.Current());
    }
    for (TopExp_Explorer it(part, TopAbs_EDGE, TopAbs_WIRE); it.More(); it.Next()) {
        curves.push_back(it.Current());
    }
    return curves;
}

// The curve sets written for the free wires and edges of a part, in groups that meet at shared
// vertices; a group of one, or one whose sets are not all found, is none.
std::vector<CurveSets> MeetingCurves(const Handle(Transfer_FinderProcess)& process,
                                     const TopoDS_Shape& part)
{
    const std::vector<TopoDS_Shape> curves = FreeCurves(part);
    std::vector<size_t> root(curves.size());
    std::iota(root.begin(), root.end(), size_t(0));
    const auto find = [&root](size_t i) {
        while (root[i] != i) {
            i = root[i] = root[root[i]];
        }
        return i;
    };
    TopTools_DataMapOfShapeInteger firstHolder;
    for (size_t i = 0; i < curves.size(); ++i) {
        for (TopExp_Explorer it(curves[i], TopAbs_VERTEX); it.More(); it.Next()) {
            if (const int* holder = firstHolder.Seek(it.Current())) {
                root[find(i)] = find(size_t(*holder));
            } else {
                firstHolder.Bind(it.Current(), int(i));
            }
        }
    }
    std::map<size_t, CurveSets> groups;
    for (size_t i = 0; i < curves.size(); ++i) {
        TopLoc_Location location;
        groups[find(i)].push_back(Handle(StepShape_GeometricCurveSet)::DownCast(
            STEPConstruct::FindEntity(process, curves[i], location)));
    }
    std::vector<CurveSets> meeting;
    for (auto& [first, sets] : groups) {
        // In the part's order, so that a reader gives back the wires in it.
        const std::set<Handle(StepShape_GeometricCurveSet)> distinct(sets.begin(), sets.end());
        if (sets.size() > 1 && distinct.size() == sets.size() && distinct.count(nullptr) == 0) {
            meeting.push_back(std::move(sets));
        }
    }
    return meeting;
}

// The point a trimmed curve's end names; null when it names none.
Handle(StepGeom_CartesianPoint) EndPoint(const Handle(StepGeom_HArray1OfTrimmingSelect)& trims)
{
    for (int i = 1; !trims.IsNull() && i <= trims->Length(); ++i) {
        const Handle(StepGeom_CartesianPoint) point = trims->Value(i).CartesianPoint();
        if (!point.IsNull() && point->NbCoordinates() == 3) {
            return point;
        }
    }
    return {};
}

// The trimmed curves of a curve set, those of a composite curve (a wire JoinWireCurves joined)
// in its order. False when the set holds anything else, a curve without both end points, or
// carries a colour that is not an edge's, on itself or on a composite curve.
bool EdgeCurvesOf(const Handle(StepShape_GeometricCurveSet)& set, const Styled& styled,
                  TrimmedCurves& curves, std::vector<Handle(Standard_Transient)>& containers)
{
    containers.push_back(set);
    for (int i = 1; i <= set->NbElements(); ++i) {
        const Handle(Standard_Transient) element = set->ElementsValue(i).Value();
        const auto composite = Handle(StepGeom_CompositeCurve)::DownCast(element);
        if (composite.IsNull()) {
            curves.push_back(Handle(StepGeom_TrimmedCurve)::DownCast(element));
            continue;
        }
        containers.push_back(composite);
        for (int j = 1; j <= composite->NbSegments(); ++j) {
            curves.push_back(Handle(StepGeom_TrimmedCurve)::DownCast(
                composite->SegmentsValue(j)->ParentCurve()));
        }
    }
    return std::none_of(containers.begin(), containers.end(),
                        [&](const Handle(Standard_Transient)& container) {
                            return styled.count(container.get()) > 0;
                        }) &&
           std::all_of(curves.begin(), curves.end(), [](const Handle(StepGeom_TrimmedCurve)& c) {
               return !c.IsNull() && !EndPoint(c->Trim1()).IsNull() &&
                      !EndPoint(c->Trim2()).IsNull();
           });
}

// Makes a connected edge set of each curve set of a group, its edges on the trimmed curves'
// basis curves. The writer writes the point of a shared vertex from that one vertex each time,
// so the ends of the group's curves that agree exactly are one vertex. False, with nothing
// made, when a set cannot be made so.
bool MakeEdgeSets(const CurveSets& sets, const Styled& styled, Replacement& replacement)
{
    std::vector<TrimmedCurves> curvesOfSet(sets.size());
    std::vector<Handle(Standard_Transient)> containers;
    for (size_t k = 0; k < sets.size(); ++k) {
        if (!EdgeCurvesOf(sets[k], styled, curvesOfSet[k], containers)) {
            return false;
        }
    }
    const Handle(TCollection_HAsciiString) empty = new TCollection_HAsciiString("");
    std::map<std::array<double, 3>, Handle(StepShape_VertexPoint)> vertices;
    const auto vertexAt = [&](const Handle(StepGeom_CartesianPoint)& point) {
        Handle(StepShape_VertexPoint)& vertex = vertices[{
            point->CoordinatesValue(1), point->CoordinatesValue(2), point->CoordinatesValue(3)}];
        if (vertex.IsNull()) {
            vertex = new StepShape_VertexPoint;
            vertex->Init(empty, point);
        }
        return vertex;
    };
    for (size_t k = 0; k < sets.size(); ++k) {
        const TrimmedCurves& curves = curvesOfSet[k];
        const Handle(StepShape_HArray1OfEdge) edges =
            new StepShape_HArray1OfEdge(1, int(curves.size()));
        for (size_t j = 0; j < curves.size(); ++j) {
            const Handle(StepShape_EdgeCurve) edge = new StepShape_EdgeCurve;
            edge->Init(empty, vertexAt(EndPoint(curves[j]->Trim1())),
                       vertexAt(EndPoint(curves[j]->Trim2())), curves[j]->BasisCurve(),
                       curves[j]->SenseAgreement());
            edges->SetValue(int(j) + 1, edge);
            replacement.edges[curves[j].get()] = edge;
            replacement.left.insert(curves[j].get());
        }
        const Handle(StepShape_ConnectedEdgeSet) edgeSet = new StepShape_ConnectedEdgeSet;
        edgeSet->Init(empty, edges);
        replacement.edgeSets[sets[k].get()] = edgeSet;
    }
    for (const Handle(Standard_Transient)& container : containers) {
        replacement.left.insert(container.get());
    }
    return true;
}

// In each representation, the replaced curve sets give way to one wireframe of their edge sets:
// a reader gives all the edges of one wireframe one set of vertices.
void PutWireframes(const Handle(Interface_InterfaceModel)& model, const Replacement& replacement)
{
    const Handle(TCollection_HAsciiString) empty = new TCollection_HAsciiString("");
    const int count = model->NbEntities();
    for (int i = 1; i <= count; ++i) {
        const auto representation = Handle(StepRepr_Representation)::DownCast(model->Value(i));
        if (representation.IsNull() || representation->Items().IsNull()) {
            continue;
        }
        std::vector<Handle(StepRepr_RepresentationItem)> items;
        std::vector<Handle(StepShape_ConnectedEdgeSet)> edgeSets;
        for (int j = 1; j <= representation->NbItems(); ++j) {
            const Handle(StepRepr_RepresentationItem) item = representation->ItemsValue(j);
            const auto found = replacement.edgeSets.find(item.get());
            if (found == replacement.edgeSets.end()) {
                items.push_back(item);
            } else {
                edgeSets.push_back(found->second);
            }
        }
        if (edgeSets.empty()) {
            continue;
        }
        const Handle(StepShape_HArray1OfConnectedEdgeSet) boundary =
            new StepShape_HArray1OfConnectedEdgeSet(1, int(edgeSets.size()));
        for (size_t j = 0; j < edgeSets.size(); ++j) {
            boundary->SetValue(int(j) + 1, edgeSets[j]);
        }
        const Handle(StepShape_EdgeBasedWireframeModel) wireframe =
            new StepShape_EdgeBasedWireframeModel;
        wireframe->Init(empty, boundary);
        items.push_back(wireframe);
        const Handle(StepRepr_HArray1OfRepresentationItem) array =
            new StepRepr_HArray1OfRepresentationItem(1, int(items.size()));
        for (size_t j = 0; j < items.size(); ++j) {
            array->SetValue(int(j) + 1, items[j]);
        }
        representation->SetItems(array);
        model->AddWithRefs(wireframe);
    }
}

// A colour on a replaced curve goes onto its edge; then what was replaced leaves the model.
void ReplaceCurves(const Handle(Interface_InterfaceModel)& model, const Replacement& replacement)
{
    std::vector<Handle(Standard_Transient)> kept;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(Standard_Transient)& entity = model->Value(i);
        if (replacement.left.count(entity.get()) > 0) {
            continue;
        }
        kept.push_back(entity);
        const auto styled = Handle(StepVisual_StyledItem)::DownCast(entity);
        if (styled.IsNull()) {
            continue;
        }
        const auto edge = replacement.edges.find(styled->Item().get());
        if (edge != replacement.edges.end()) {
            styled->SetItem(edge->second);
        }
    }
    model->ClearEntities();
    for (const Handle(Standard_Transient)& entity : kept) {
        model->AddEntity(entity);
    }
}

} // namespace

void StepWireframe::ShareVertices(const Handle(XSControl_WorkSession)& session,
                                  const XdeDocumentImpl& impl)
{
    const Handle(Interface_InterfaceModel) model = session->Model();
    if (impl.shapeTool.IsNull() || model.IsNull()) {
        return;
    }
    Styled styled;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        if (const auto item = Handle(StepVisual_StyledItem)::DownCast(model->Value(i));
            !item.IsNull()) {
            styled.insert(item->Item().get());
        }
    }
    const Handle(Transfer_FinderProcess) process = session->TransferWriter()->FinderProcess();
    Replacement replacement;
    for (const TDF_Label& part : XdeModelEdit::Parts(impl)) {
        for (const CurveSets& sets : MeetingCurves(process, XCAFDoc_ShapeTool::GetShape(part))) {
            MakeEdgeSets(sets, styled, replacement);
        }
    }
    if (replacement.edgeSets.empty()) {
        return;
    }
    PutWireframes(model, replacement);
    ReplaceCurves(model, replacement);
    session->ComputeGraph(Standard_True);
}

} // namespace orvkit
