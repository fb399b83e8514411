#include "StepWriteFixes.h"

#include "Interop/Kernel/StepCurveStyles.h"
#include "Interop/Kernel/StepLinePcurves.h"
#include "Interop/Kernel/StepSharedTopology.h"
#include "Interop/Kernel/StepWireframe.h"
#include "Interop/Kernel/StepWrittenEntities.h"
#include "Interop/Kernel/XdeModelEdit.h"

#include <BRepTools_WireExplorer.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Precision.hxx>
#include <StepBasic_Product.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepBasic_ProductDefinitionFormation.hxx>
#include <StepData_GlobalFactors.hxx>
#include <StepData_StepModel.hxx>
#include <StepGeom_CartesianPoint.hxx>
#include <StepGeom_CompositeCurve.hxx>
#include <StepGeom_CompositeCurveSegment.hxx>
#include <StepGeom_Curve.hxx>
#include <StepGeom_HArray1OfCompositeCurveSegment.hxx>
#include <StepGeom_HArray1OfTrimmingSelect.hxx>
#include <StepGeom_TrimmedCurve.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepRepr_PropertyDefinition.hxx>
#include <StepRepr_ShapeAspect.hxx>
#include <StepShape_DimensionalLocation.hxx>
#include <StepShape_GeometricCurveSet.hxx>
#include <StepShape_HArray1OfGeometricSetSelect.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_DataMapOfShapeInteger.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Vertex.hxx>
#include <TopoDS_Wire.hxx>
#include <TransferBRep.hxx>
#include <TransferBRep_ShapeMapper.hxx>
#include <Transfer_FinderProcess.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <XSControl_TransferWriter.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <set>

namespace orvkit {

namespace {

const char* const kEndlessEdges = "'{}': {} without an end {} left out: STEP holds only "
                                  "bounded curves";
const char* const kLooseFaces =
    "{} that {} in no shell {} written in {}: STEP holds faces only in shells";

// "1 face", "2 faces".
std::string Counted(size_t count, const char* one, const char* many)
{
    return fmt::format("{} {}", count, count == 1 ? one : many);
}
const char* const kUnnamed = "(unnamed)";

// The name a label was given, spaces around it removed (the writer removes them too); empty
// when it has none.
TCollection_AsciiString NameOf(const TDF_Label& label)
{
    Handle(TDataStd_Name) name;
    if (!label.FindAttribute(TDataStd_Name::GetID(), name)) {
        return {};
    }
    TCollection_AsciiString text(name->Get());
    text.LeftAdjust();
    text.RightAdjust();
    return text;
}

bool IsEndless(const TopoDS_Edge& edge)
{
    double first = 0.0;
    double last = 0.0;
    BRep_Tool::Range(edge, first, last);
    return Precision::IsInfinite(first) || Precision::IsInfinite(last);
}

// Groups of faces connected through shared edges: for each face, the index of its group's
// first face.
std::vector<size_t> ConnectedFaces(const std::vector<TopoDS_Shape>& faces)
{
    std::vector<size_t> group(faces.size());
    std::iota(group.begin(), group.end(), size_t(0));
    const auto root = [&](size_t face) {
        while (group[face] != face) {
            face = group[face] = group[group[face]];
        }
        return face;
    };
    TopTools_DataMapOfShapeInteger firstFaceOfEdge;
    for (size_t face = 0; face < faces.size(); ++face) {
        for (TopExp_Explorer it(faces[face], TopAbs_EDGE); it.More(); it.Next()) {
            const TopoDS_Edge& edge = TopoDS::Edge(it.Current());
            if (BRep_Tool::Degenerated(edge)) {
                continue;
            }
            if (const int* other = firstFaceOfEdge.Seek(it.Current())) {
                const size_t a = root(face);
                const size_t b = root(size_t(*other));
                group[std::max(a, b)] = std::min(a, b);
            } else {
                firstFaceOfEdge.Bind(it.Current(), int(face));
            }
        }
    }
    for (size_t face = 0; face < faces.size(); ++face) {
        group[face] = root(face);
    }
    return group;
}

// A part's shape rebuilt for the writer. Its compounds are rebuilt only where they change, so
// that everything else (and the sub-shape labels naming it) stays as it was.
class PartRebuild {
public:
    // The shape without its endless edges, and the faces lying loose in one compound that share
    // edges in a shell, where each group's first face was: OpenCASCADE writes each loose face
    // as a shell of its own, and the edges two faces shared would come back twice. `shape`
    // itself when nothing changes; a null shape when nothing is left of it.
    TopoDS_Shape Rebuild(const TopoDS_Shape& shape)
    {
        if (shape.ShapeType() == TopAbs_EDGE && IsEndless(TopoDS::Edge(shape))) {
            myRemoved.push_back(shape);
            return {};
        }
        if (shape.ShapeType() == TopAbs_FACE) {
            // A part that is a face: written as a shell of it.
            ++myLooseFaces;
            ++myShells;
            return shape;
        }
        if (shape.ShapeType() != TopAbs_COMPOUND) {
            return shape;
        }
        std::vector<TopoDS_Shape> members;
        std::vector<TopoDS_Shape> faces;
        bool changed = false;
        for (TopoDS_Iterator it(shape); it.More(); it.Next()) {
            if (it.Value().ShapeType() == TopAbs_FACE) {
                faces.push_back(it.Value());
                members.push_back(it.Value());
                continue;
            }
            const TopoDS_Shape rebuilt = Rebuild(it.Value());
            changed = changed || !rebuilt.IsEqual(it.Value());
            members.push_back(rebuilt);
        }
        const std::vector<size_t> groups = ConnectedFaces(faces);
        for (size_t face = 0; face < faces.size(); ++face) {
            changed = changed || groups[face] != face;
            myShells += groups[face] == face ? 1 : 0;
        }
        myLooseFaces += faces.size();
        if (!changed) {
            return shape;
        }
        return Assemble(members, faces, groups);
    }

    // The edges left out.
    const std::vector<TopoDS_Shape>& GetRemoved() const { return myRemoved; }
    // The faces that lie in no shell (in a compound, or the part itself), and the shells they
    // are written in: a reader gives back shells.
    size_t GetLooseFaces() const { return myLooseFaces; }
    size_t GetShells() const { return myShells; }

private:
    static TopoDS_Compound Assemble(const std::vector<TopoDS_Shape>& members,
                                    const std::vector<TopoDS_Shape>& faces,
                                    const std::vector<size_t>& groups)
    {
        BRep_Builder builder;
        std::vector<TopoDS_Shell> shells(faces.size());
        for (size_t face = 0; face < faces.size(); ++face) {
            TopoDS_Shell& shell = shells[groups[face]];
            if (shell.IsNull()) {
                builder.MakeShell(shell);
            }
            builder.Add(shell, faces[face]);
        }
        TopoDS_Compound compound;
        builder.MakeCompound(compound);
        size_t face = 0;
        for (const TopoDS_Shape& member : members) {
            if (member.IsNull()) {
                continue;
            }
            if (member.ShapeType() != TopAbs_FACE) {
                builder.Add(compound, member);
                continue;
            }
            const size_t group = groups[face++];
            if (group == face - 1) {
                const bool alone = shells[group].NbChildren() == 1;
                builder.Add(compound, alone ? member : TopoDS_Shape(shells[group]));
            }
        }
        return compound;
    }

    std::vector<TopoDS_Shape> myRemoved;
    size_t myLooseFaces = 0;
    size_t myShells = 0;
};

// Forgets the sub-shape labels of shapes no longer in the part.
// The free points inside the compounds of a compound, placed where they lie in it.
void NestedPoints(const TopoDS_Shape& compound, bool top, TopTools_IndexedMapOfShape& points)
{
    for (TopoDS_Iterator it(compound); it.More(); it.Next()) {
        if (it.Value().ShapeType() == TopAbs_VERTEX && !top) {
            points.Add(it.Value());
        } else if (it.Value().ShapeType() == TopAbs_COMPOUND) {
            NestedPoints(it.Value(), false, points);
        }
    }
}

// OpenCASCADE's writer writes a free point only where it lies straight in a part's compound:
// one in a compound within it (a group of points, or a point beside some curves) is lost.
// Such points are put into the part's compound as well, where they are written; the group
// keeps them for whatever refers to it. The shape itself when it has none.
TopoDS_Shape WithNestedPointsOnTop(const TopoDS_Shape& shape)
{
    if (shape.ShapeType() != TopAbs_COMPOUND) {
        return shape;
    }
    TopTools_IndexedMapOfShape points;
    NestedPoints(shape, true, points);
    if (points.IsEmpty()) {
        return shape;
    }
    BRep_Builder builder;
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    // The iterator places each member by the shape's own location, as it places the points.
    for (TopoDS_Iterator it(shape); it.More(); it.Next()) {
        builder.Add(compound, it.Value());
    }
    for (int i = 1; i <= points.Extent(); ++i) {
        builder.Add(compound, points(i));
    }
    return compound;
}

void ForgetSubShapes(const TDF_Label& part, const std::vector<TopoDS_Shape>& removed)
{
    TDF_LabelSequence subShapes;
    XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
    for (const TDF_Label& sub : subShapes) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(sub);
        for (const TopoDS_Shape& gone : removed) {
            if (shape.IsSame(gone)) {
                sub.ForgetAllAttributes();
                break;
            }
        }
    }
}

// The product the writer made of a label's shape; null when it made none.
Handle(StepBasic_Product) ProductOf(const Handle(Transfer_FinderProcess)& process,
                                    const TopoDS_Shape& shape)
{
    const Handle(StepBasic_ProductDefinition) product =
        StepWrittenEntities::ProductDefinitionOf(process, shape);
    if (product.IsNull() || product->Formation().IsNull()) {
        return {};
    }
    return product->Formation()->OfProduct();
}

// A point as a key, to within a micrometre of the file's unit.
using PointKey = std::array<long long, 3>;

PointKey KeyOf(const gp_XYZ& point)
{
    return {std::llround(point.X() * 1e3), std::llround(point.Y() * 1e3),
            std::llround(point.Z() * 1e3)};
}

// The points a written trimmed curve starts and ends at; false when a trim names none.
bool EndsOf(const Handle(StepGeom_TrimmedCurve)& curve, PointKey& first, PointKey& last)
{
    const auto pointOf = [](const Handle(StepGeom_HArray1OfTrimmingSelect)& trims, PointKey& key) {
        for (int i = 1; !trims.IsNull() && i <= trims->Length(); ++i) {
            const Handle(StepGeom_CartesianPoint) point = trims->Value(i).CartesianPoint();
            if (!point.IsNull() && point->NbCoordinates() == 3) {
                key = KeyOf(gp_XYZ(point->CoordinatesValue(1), point->CoordinatesValue(2),
                                   point->CoordinatesValue(3)));
                return true;
            }
        }
        return false;
    };
    return pointOf(curve->Trim1(), first) && pointOf(curve->Trim2(), last);
}

// A free wire of more than one edge: its edges' ends in the file's unit, as each edge runs
// forward, and their senses in the wire.
struct FreeWire {
    std::vector<std::pair<PointKey, PointKey>> edges;
    std::vector<bool> forward;
    bool closed = false;
};

// A curve set's trimmed curves by the points they start and end at; the positions in the set.
using CurvesByEnds = std::map<std::pair<PointKey, PointKey>, std::vector<int>>;

// The free wires of the document's parts, placed in their part's frame, as the parts'
// representations hold them. A wire with an edge that has no vertex at an end is left out.
std::vector<FreeWire> FreeWiresOf(const XdeDocumentImpl& impl)
{
    std::vector<FreeWire> wires;
    const double toFile = 1.0 / StepData_GlobalFactors::Intance().LengthFactor();
    for (const TDF_Label& part : XdeModelEdit::Parts(impl)) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(part);
        for (TopExp_Explorer it(shape, TopAbs_WIRE, TopAbs_FACE); it.More(); it.Next()) {
            FreeWire wire;
            wire.closed = BRep_Tool::IsClosed(it.Current());
            const TopoDS_Shape unplaced =
                it.Current().Located(it.Current().Location().Predivided(shape.Location()));
            for (BRepTools_WireExplorer edge(TopoDS::Wire(unplaced)); edge.More(); edge.Next()) {
                const TopoDS_Edge forward = TopoDS::Edge(edge.Current().Oriented(TopAbs_FORWARD));
                const TopoDS_Vertex first = TopExp::FirstVertex(forward);
                const TopoDS_Vertex last = TopExp::LastVertex(forward);
                if (first.IsNull() || last.IsNull()) {
                    wire.edges.clear();
                    break;
                }
                wire.edges.emplace_back(KeyOf(BRep_Tool::Pnt(first).XYZ() * toFile),
                                        KeyOf(BRep_Tool::Pnt(last).XYZ() * toFile));
                wire.forward.push_back(edge.Current().Orientation() != TopAbs_REVERSED);
            }
            if (wire.edges.size() > 1) {
                wires.push_back(std::move(wire));
            }
        }
    }
    return wires;
}

CurvesByEnds CurvesByEndsOf(const Handle(StepShape_GeometricCurveSet)& set)
{
    CurvesByEnds curves;
    for (int j = 1; j <= set->NbElements(); ++j) {
        const auto curve = Handle(StepGeom_TrimmedCurve)::DownCast(set->ElementsValue(j).Value());
        PointKey first{}, last{};
        if (!curve.IsNull() && EndsOf(curve, first, last)) {
            curves[{first, last}].push_back(j);
        }
    }
    return curves;
}

// The positions in the set of a curve for each edge of `wire`, in the wire's order, each one
// not yet `joined`, which they then are; empty, with `joined` as it was, when an edge has none.
std::vector<int> CurvesOfWire(const FreeWire& wire, const CurvesByEnds& curves,
                              std::vector<bool>& joined)
{
    std::vector<int> members;
    for (const auto& ends : wire.edges) {
        const auto found = curves.find(ends);
        if (found == curves.end()) {
            break;
        }
        const auto free = std::find_if(found->second.begin(), found->second.end(),
                                       [&](int j) { return !joined[j]; });
        if (free == found->second.end()) {
            break;
        }
        members.push_back(*free);
        joined[*free] = true;
    }
    if (members.size() == wire.edges.size()) {
        return members;
    }
    for (const int j : members) {
        joined[j] = false;
    }
    return {};
}

// One composite curve of the set's curves at `members`, in the wire's order and senses; it
// ends without continuity unless the wire is closed.
Handle(StepGeom_CompositeCurve) CompositeOf(const FreeWire& wire, const std::vector<int>& members,
                                            const Handle(StepShape_GeometricCurveSet)& set)
{
    const auto segments =
        new StepGeom_HArray1OfCompositeCurveSegment(1, static_cast<int>(members.size()));
    for (size_t k = 0; k < members.size(); ++k) {
        const Handle(StepGeom_CompositeCurveSegment) segment = new StepGeom_CompositeCurveSegment;
        const bool end = k + 1 == members.size();
        segment->Init(end && !wire.closed ? StepGeom_tcDiscontinuous : StepGeom_tcContinuous,
                      wire.forward[k],
                      Handle(StepGeom_Curve)::DownCast(set->ElementsValue(members[k]).Value()));
        segments->SetValue(static_cast<int>(k) + 1, segment);
    }
    const Handle(StepGeom_CompositeCurve) composite = new StepGeom_CompositeCurve;
    composite->Init(new TCollection_HAsciiString(""), segments, StepData_LFalse);
    return composite;
}

// Gives the set the composites first, then the curves no composite took.
void ReplaceJoinedCurves(const Handle(Interface_InterfaceModel)& model,
                         const Handle(StepShape_GeometricCurveSet)& set,
                         const std::vector<Handle(StepGeom_CompositeCurve)>& composites,
                         const std::vector<bool>& joined)
{
    std::vector<StepShape_GeometricSetSelect> elements;
    for (const Handle(StepGeom_CompositeCurve)& composite : composites) {
        StepShape_GeometricSetSelect element;
        element.SetValue(composite);
        elements.push_back(element);
        model->AddWithRefs(composite);
    }
    for (int j = 1; j <= set->NbElements(); ++j) {
        if (!joined[j]) {
            elements.push_back(set->ElementsValue(j));
        }
    }
    const auto array =
        new StepShape_HArray1OfGeometricSetSelect(1, static_cast<int>(elements.size()));
    for (size_t j = 0; j < elements.size(); ++j) {
        array->SetValue(static_cast<int>(j) + 1, elements[j]);
    }
    set->SetElements(array);
}

// The free wires and which of them a composite curve holds already. A set is only tried with
// the wires whose first edge it has a curve for.
class FreeWireJoins {
public:
    explicit FreeWireJoins(std::vector<FreeWire> wires)
        : myWires(std::move(wires)), myJoined(myWires.size(), false)
    {
        for (size_t w = 0; w < myWires.size(); ++w) {
            myByFirstEdge.emplace(myWires[w].edges.front(), w);
        }
    }

    // Puts the curves of each wire not joined yet that the set holds whole into a composite
    // curve of the set.
    void Join(const Handle(Interface_InterfaceModel)& model,
              const Handle(StepShape_GeometricCurveSet)& set)
    {
        const CurvesByEnds curves = CurvesByEndsOf(set);
        std::set<size_t> candidates;
        for (const auto& [ends, positions] : curves) {
            for (auto [w, end] = myByFirstEdge.equal_range(ends); w != end; ++w) {
                if (!myJoined[w->second]) {
                    candidates.insert(w->second);
                }
            }
        }
        std::vector<bool> joined(set->NbElements() + 1, false);
        std::vector<Handle(StepGeom_CompositeCurve)> composites;
        for (const size_t candidate : candidates) {
            const std::vector<int> members = CurvesOfWire(myWires[candidate], curves, joined);
            if (!members.empty()) {
                composites.push_back(CompositeOf(myWires[candidate], members, set));
                myJoined[candidate] = true;
            }
        }
        if (!composites.empty()) {
            ReplaceJoinedCurves(model, set, composites, joined);
        }
    }

private:
    std::vector<FreeWire> myWires;
    std::vector<bool> myJoined;
    std::multimap<std::pair<PointKey, PointKey>, size_t> myByFirstEdge;
};

// The writer writes a wire that bounds no face as its edges' curves, each on its own in the
// curve set, and a reader makes separate edges of them, each with its own ends: the wire and
// the points its edges shared are lost. Its curves are put into one composite curve, in the
// wire's order, which a reader makes a wire again; a colour on a set left with that one curve
// then goes onto it (StepCurveStyles). The writer works on copies of the edges,
// so each curve is found by where it starts and ends.
void JoinWireCurves(const Handle(Interface_InterfaceModel)& model, const XdeDocumentImpl& impl)
{
    std::vector<FreeWire> wires = FreeWiresOf(impl);
    if (wires.empty()) {
        return;
    }
    FreeWireJoins joins(std::move(wires));
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const auto set = Handle(StepShape_GeometricCurveSet)::DownCast(model->Value(i));
        if (!set.IsNull() && set->NbElements() >= 2) {
            joins.Join(model, set);
        }
    }
}

// The writer names every product it finds no name for after itself ("Open CASCADE STEP
// translator 7.6 1.2"), and a reader takes that for the part's name.
void ClearGeneratedNames(const Handle(Transfer_FinderProcess)& process, const XdeDocumentImpl& impl)
{
    TDF_LabelSequence labels;
    impl.shapeTool->GetShapes(labels);
    const Handle(TCollection_HAsciiString) empty = new TCollection_HAsciiString("");
    for (const TDF_Label& label : labels) {
        if (!NameOf(label).IsEmpty()) {
            continue;
        }
        const Handle(StepBasic_Product) product =
            ProductOf(process, XCAFDoc_ShapeTool::GetShape(label));
        if (!product.IsNull()) {
            product->SetId(empty);
            product->SetName(empty);
        }
    }
}

// The writer names an occurrence through the shape it places, so of the occurrences that place
// one part in the same spot (with one location, as a reader makes them) the first gets the name
// of the last and the others none, and a reader then names them after their ids. Each occurrence
// gets the name of its own component: the writer makes an assembly's occurrences in the order of
// its components, so the k-th occurrence of a part in an assembly is the k-th component that places
// it. An assembly whose occurrences of a part are not as many as its components placing it is left
// as written.
void NameEveryOccurrence(const Handle(Transfer_FinderProcess)& process,
                         const Handle(Interface_InterfaceModel)& model, const XdeDocumentImpl& impl)
{
    using Pair = std::pair<StepBasic_ProductDefinition*, StepBasic_ProductDefinition*>;
    std::map<Pair, std::vector<Handle(StepRepr_NextAssemblyUsageOccurrence)>> written;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const auto occurrence =
            Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(model->Value(i));
        if (!occurrence.IsNull()) {
            written[{occurrence->RelatingProductDefinition().get(),
                     occurrence->RelatedProductDefinition().get()}]
                .push_back(occurrence);
        }
    }
    TDF_LabelSequence labels;
    impl.shapeTool->GetShapes(labels);
    for (const TDF_Label& assembly : labels) {
        TDF_LabelSequence components;
        if (!XCAFDoc_ShapeTool::GetComponents(assembly, components)) {
            continue;
        }
        const Handle(StepBasic_ProductDefinition) parent = StepWrittenEntities::ProductDefinitionOf(
            process, XCAFDoc_ShapeTool::GetShape(assembly));
        std::map<Pair, std::vector<TDF_Label>> placing;
        for (const TDF_Label& component : components) {
            TDF_Label part;
            if (!parent.IsNull() && XCAFDoc_ShapeTool::GetReferredShape(component, part)) {
                placing[{parent.get(), StepWrittenEntities::ProductDefinitionOf(
                                           process, XCAFDoc_ShapeTool::GetShape(part))
                                           .get()}]
                    .push_back(component);
            }
        }
        for (const auto& [pair, placed] : placing) {
            const auto found = written.find(pair);
            if (found == written.end() || found->second.size() != placed.size()) {
                continue;
            }
            for (size_t k = 0; k < placed.size(); ++k) {
                const TCollection_AsciiString name = NameOf(placed[k]);
                if (!name.IsEmpty()) {
                    found->second[k]->SetName(new TCollection_HAsciiString(name));
                }
            }
        }
    }
}

// The trims of an edge without a vertex at one end name a point that is not there, written as
// a null reference; the parameter alone trims the curve as well.
Handle(StepGeom_HArray1OfTrimmingSelect)
WithoutMissingPoints(const Handle(StepGeom_HArray1OfTrimmingSelect)& trims)
{
    if (trims.IsNull()) {
        return trims;
    }
    std::vector<StepGeom_TrimmingSelect> kept;
    for (int i = trims->Lower(); i <= trims->Upper(); ++i) {
        if (!trims->Value(i).Value().IsNull()) {
            kept.push_back(trims->Value(i));
        }
    }
    if (kept.size() == size_t(trims->Length()) || kept.empty()) {
        return trims;
    }
    Handle(StepGeom_HArray1OfTrimmingSelect) result =
        new StepGeom_HArray1OfTrimmingSelect(1, int(kept.size()));
    for (size_t i = 0; i < kept.size(); ++i) {
        result->SetValue(int(i) + 1, kept[i]);
    }
    return result;
}

// A distance or an angle whose second end the model does not have (OpenCASCADE's reader finds no
// face or edge for it where the path of a distance takes its place, for one) is written with a
// null reference there, and a reader drops the whole dimension. A shape aspect of the same
// part that names no geometry keeps it: read back, it is the dimension as it was, its first end
// alone.
void CompleteOneEndedLocations(const Handle(Interface_InterfaceModel)& model)
{
    std::vector<Handle(StepShape_DimensionalLocation)> oneEnded;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(StepShape_DimensionalLocation) location =
            Handle(StepShape_DimensionalLocation)::DownCast(model->Value(i));
        if (!location.IsNull() && location->RelatedShapeAspect().IsNull() &&
            !location->RelatingShapeAspect().IsNull()) {
            oneEnded.push_back(location);
        }
    }
    for (const Handle(StepShape_DimensionalLocation)& location : oneEnded) {
        const Handle(StepRepr_ShapeAspect) first = location->RelatingShapeAspect();
        Handle(StepRepr_ShapeAspect) second = new StepRepr_ShapeAspect();
        second->Init(new TCollection_HAsciiString(), new TCollection_HAsciiString(),
                     first->OfShape(), StepData_LFalse);
        location->SetRelatedShapeAspect(second);
        model->AddWithRefs(second);
    }
}

} // namespace

std::vector<std::string> StepWriteFixes::PrepareDocument(XdeDocumentImpl& impl)
{
    std::vector<std::string> warnings;
    if (impl.shapeTool.IsNull()) {
        return warnings;
    }
    bool changed = false;
    size_t looseFaces = 0;
    size_t shells = 0;
    for (const TDF_Label& part : XdeModelEdit::Parts(impl)) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(part);
        if (shape.IsNull()) {
            continue;
        }
        StepLinePcurves::Bound(shape);
        PartRebuild rebuild;
        TopoDS_Shape rebuilt = rebuild.Rebuild(shape);
        if (!rebuilt.IsNull()) {
            rebuilt = WithNestedPointsOnTop(rebuilt);
        }
        looseFaces += rebuild.GetLooseFaces();
        shells += rebuild.GetShells();
        if (rebuilt.IsEqual(shape)) {
            continue;
        }
        if (rebuilt.IsNull()) {
            TopoDS_Compound nothing;
            BRep_Builder().MakeCompound(nothing);
            rebuilt = nothing;
        }
        impl.shapeTool->SetShape(part, rebuilt);
        changed = true;
        // An edge without an end is left out rather than cut to some length: any length would
        // be made up, and the extent of the model with it; what is written is then exactly what
        // the model holds, and the user is told what is not.
        if (!rebuild.GetRemoved().empty()) {
            ForgetSubShapes(part, rebuild.GetRemoved());
            const TCollection_AsciiString name = NameOf(part);
            const size_t removed = rebuild.GetRemoved().size();
            warnings.push_back(
                fmt::format(kEndlessEdges, name.IsEmpty() ? kUnnamed : name.ToCString(),
                            Counted(removed, "edge", "edges"), removed == 1 ? "is" : "are"));
        }
    }
    if (changed) {
        impl.shapeTool->UpdateAssemblies();
    }
    // STEP puts every face in a set of faces, which a reader makes a shell: loose faces come
    // back in shells whatever the writer does.
    if (looseFaces > 0) {
        warnings.push_back(fmt::format(
            kLooseFaces, Counted(looseFaces, "face", "faces"), looseFaces == 1 ? "lies" : "lie",
            looseFaces == 1 ? "is" : "are", Counted(shells, "shell", "shells")));
    }
    return warnings;
}

void StepWriteFixes::RepairModel(const Handle(XSControl_WorkSession)& session,
                                 const XdeDocumentImpl& impl)
{
    const Handle(Interface_InterfaceModel) model = session->Model();
    if (!impl.shapeTool.IsNull()) {
        ClearGeneratedNames(session->TransferWriter()->FinderProcess(), impl);
        NameEveryOccurrence(session->TransferWriter()->FinderProcess(), model, impl);
        JoinWireCurves(model, impl);
        StepCurveStyles::Place(session, impl);
        StepWireframe::ShareVertices(session, impl);
    }
    CompleteOneEndedLocations(model);
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(Standard_Transient)& entity = model->Value(i);
        if (const Handle(StepGeom_TrimmedCurve) trimmed =
                Handle(StepGeom_TrimmedCurve)::DownCast(entity);
            !trimmed.IsNull()) {
            trimmed->SetTrim1(WithoutMissingPoints(trimmed->Trim1()));
            trimmed->SetTrim2(WithoutMissingPoints(trimmed->Trim2()));
        }
    }
    StepSharedTopology::Rejoin(session);
}

} // namespace orvkit
