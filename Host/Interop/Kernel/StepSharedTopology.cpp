#include "StepSharedTopology.h"

#include <Interface_EntityIterator.hxx>
#include <Interface_Graph.hxx>
#include <Interface_InterfaceModel.hxx>
#include <StepGeom_HArray1OfPcurveOrSurface.hxx>
#include <StepGeom_SeamCurve.hxx>
#include <StepGeom_SurfaceCurve.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepShape_EdgeCurve.hxx>
#include <StepShape_HArray1OfShell.hxx>
#include <StepShape_OrientedEdge.hxx>
#include <StepShape_ShapeRepresentation.hxx>
#include <StepShape_ShellBasedSurfaceModel.hxx>
#include <StepShape_VertexLoop.hxx>
#include <StepShape_VertexPoint.hxx>
#include <StepVisual_StyledItem.hxx>
#include <TransferBRep_ShapeMapper.hxx>
#include <Transfer_FinderProcess.hxx>
#include <Transfer_SimpleBinderOfTransient.hxx>
#include <XSControl_TransferWriter.hxx>

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <unordered_map>
#include <vector>

namespace orvkit {

namespace {

// What the writer made of one edge or vertex, in the order it made it.
using Written = std::vector<Handle(Standard_Transient)>;
// Each copy, and what is kept in its place.
using Replacements = std::unordered_map<const Standard_Transient*, Handle(Standard_Transient)>;

// A surface model in a representation: the reader gives all the shells of one surface model one
// set of edges and vertices, and those of two surface models two.
struct SurfaceModel {
    Handle(StepShape_ShapeRepresentation) representation;
    Handle(StepShape_ShellBasedSurfaceModel) model;
};

// Which surface model each copy lies in, as an index into the surface models; negative for one
// that lies in none (in a solid, say), or in more than one.
using SurfaceModelOwners = std::unordered_map<const Standard_Transient*, int>;

Handle(Standard_Transient) KeptFor(const Replacements& replacements,
                                   const Handle(Standard_Transient)& entity)
{
    const auto found = replacements.find(entity.get());
    return found == replacements.end() ? entity : found->second;
}

// The edges and vertices the writer wrote more than once; vertices first, so that an edge's
// copies are compared with their ends already known to be the same.
std::vector<Written> WrittenMoreThanOnce(const Handle(Transfer_FinderProcess)& process)
{
    std::vector<Written> vertices;
    std::vector<Written> edges;
    for (int i = 1; i <= process->NbMapped(); ++i) {
        const auto mapper = Handle(TransferBRep_ShapeMapper)::DownCast(process->Mapped(i));
        if (mapper.IsNull() || mapper->Value().IsNull()) {
            continue;
        }
        const TopAbs_ShapeEnum type = mapper->Value().ShapeType();
        const Handle(Standard_Type) kind = type == TopAbs_EDGE ? STANDARD_TYPE(StepShape_EdgeCurve)
                                           : type == TopAbs_VERTEX
                                               ? STANDARD_TYPE(StepShape_VertexPoint)
                                               : nullptr;
        Written written;
        for (Handle(Transfer_Binder) binder = process->MapItem(i);
             !kind.IsNull() && !binder.IsNull(); binder = binder->NextResult()) {
            const auto result = Handle(Transfer_SimpleBinderOfTransient)::DownCast(binder);
            if (!result.IsNull() && result->HasResult() && result->Result()->IsKind(kind) &&
                std::find(written.begin(), written.end(), result->Result()) == written.end()) {
                written.push_back(result->Result());
            }
        }
        if (written.size() > 1) {
            (type == TopAbs_EDGE ? edges : vertices).push_back(std::move(written));
        }
    }
    vertices.insert(vertices.end(), edges.begin(), edges.end());
    return vertices;
}

// The surface models of the model's shape representations, and the one each copy lies in.
SurfaceModelOwners FindOwners(const Interface_Graph& graph, const std::vector<Written>& groups,
                              std::vector<SurfaceModel>& surfaceModels)
{
    SurfaceModelOwners owners;
    for (const Written& group : groups) {
        for (const Handle(Standard_Transient)& entity : group) {
            owners.emplace(entity.get(), -2);
        }
    }
    const Handle(Interface_InterfaceModel)& model = graph.Model();
    std::vector<int> visitedBy(size_t(model->NbEntities()) + 1, -1);
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const auto representation =
            Handle(StepShape_ShapeRepresentation)::DownCast(model->Value(i));
        for (int item = 1; !representation.IsNull() && item <= representation->NbItems(); ++item) {
            const auto surfaceModel = Handle(StepShape_ShellBasedSurfaceModel)::DownCast(
                representation->ItemsValue(item));
            if (surfaceModel.IsNull()) {
                continue;
            }
            const int owner = int(surfaceModels.size());
            surfaceModels.push_back({representation, surfaceModel});
            std::vector<Handle(Standard_Transient)> stack{Handle(Standard_Transient)(surfaceModel)};
            while (!stack.empty()) {
                const Handle(Standard_Transient) entity = stack.back();
                stack.pop_back();
                if (const auto found = owners.find(entity.get()); found != owners.end()) {
                    found->second = found->second == -2 ? owner : -1;
                }
                for (Interface_EntityIterator it = graph.Shareds(entity); it.More(); it.Next()) {
                    const int number = graph.EntityNumber(it.Value());
                    if (number > 0 && visitedBy[size_t(number)] != owner) {
                        visitedBy[size_t(number)] = owner;
                        stack.push_back(it.Value());
                    }
                }
            }
        }
    }
    return owners;
}

// OpenCASCADE writes an edge's curve with room for its curves on the surfaces of two faces; the
// edge kept takes the copy's, which lies on the surface of the face the copy bounded. A seam
// has its two already.
void TakeCurveOnSurface(const Handle(StepShape_EdgeCurve)& copy,
                        const Handle(StepShape_EdgeCurve)& kept)
{
    const auto from = Handle(StepGeom_SurfaceCurve)::DownCast(copy->EdgeGeometry());
    const auto into = Handle(StepGeom_SurfaceCurve)::DownCast(kept->EdgeGeometry());
    if (from.IsNull() || into.IsNull() || from->IsKind(STANDARD_TYPE(StepGeom_SeamCurve)) ||
        into->IsKind(STANDARD_TYPE(StepGeom_SeamCurve))) {
        return;
    }
    const Handle(StepGeom_HArray1OfPcurveOrSurface)& source = from->AssociatedGeometry();
    const Handle(StepGeom_HArray1OfPcurveOrSurface)& target = into->AssociatedGeometry();
    if (source.IsNull() || target.IsNull() || target->Length() != 2 ||
        !target->Value(target->Upper()).IsNull() || source->Value(source->Lower()).IsNull()) {
        return;
    }
    target->SetValue(target->Upper(), source->Value(source->Lower()));
}

// Chooses, in each representation, the first of each edge's or vertex's copies to keep; an
// edge's copy only where it runs between the same vertices the same way. The surface models
// whose copies are replaced by another's are joined: `joined` names, for each, one of those it
// is joined with.
Replacements ChooseKept(const std::vector<Written>& groups, const SurfaceModelOwners& owners,
                        const std::vector<SurfaceModel>& surfaceModels, std::vector<int>& joined)
{
    const auto root = [&](int model) {
        while (joined[size_t(model)] != model) {
            model = joined[size_t(model)] = joined[size_t(joined[size_t(model)])];
        }
        return model;
    };
    Replacements replacements;
    for (const Written& group : groups) {
        std::map<const Standard_Transient*, Handle(Standard_Transient)> keptIn;
        for (const Handle(Standard_Transient)& copy : group) {
            const int owner = owners.at(copy.get());
            if (owner < 0) {
                continue;
            }
            const auto [kept, first] =
                keptIn.emplace(surfaceModels[size_t(owner)].representation.get(), copy);
            if (first) {
                continue;
            }
            const auto edge = Handle(StepShape_EdgeCurve)::DownCast(copy);
            const auto keptEdge = Handle(StepShape_EdgeCurve)::DownCast(kept->second);
            if (!edge.IsNull()) {
                if (edge->SameSense() != keptEdge->SameSense() ||
                    KeptFor(replacements, edge->EdgeStart()) !=
                        KeptFor(replacements, keptEdge->EdgeStart()) ||
                    KeptFor(replacements, edge->EdgeEnd()) !=
                        KeptFor(replacements, keptEdge->EdgeEnd())) {
                    continue;
                }
                TakeCurveOnSurface(edge, keptEdge);
            }
            replacements.emplace(copy.get(), kept->second);
            const int a = root(owner);
            const int b = root(owners.at(kept->second.get()));
            joined[size_t(std::max(a, b))] = std::min(a, b);
        }
    }
    for (size_t model = 0; model < joined.size(); ++model) {
        joined[model] = root(int(model));
    }
    return replacements;
}

// Puts the shells of joined surface models into the first of them, and takes the others out of
// their representation. The writer styles a surface model of one shell for the colour of that
// shell (its own or its part's); joined, the style goes onto the shell, so that each shell keeps
// its colour, and a reader that finds them all alike gives it to the part again.
void JoinSurfaceModels(const std::vector<SurfaceModel>& surfaceModels,
                       const std::vector<int>& joined, Replacements& replacements)
{
    std::map<int, std::vector<size_t>> members;
    for (size_t model = 0; model < surfaceModels.size(); ++model) {
        members[joined[model]].push_back(model);
    }
    std::set<const Standard_Transient*> removed;
    std::set<StepShape_ShapeRepresentation*> changed;
    for (const auto& [first, group] : members) {
        if (group.size() < 2) {
            continue;
        }
        std::vector<StepShape_Shell> shells;
        for (const size_t model : group) {
            const Handle(StepShape_ShellBasedSurfaceModel)& surfaceModel =
                surfaceModels[model].model;
            for (int i = 1; i <= surfaceModel->NbSbsmBoundary(); ++i) {
                shells.push_back(surfaceModel->SbsmBoundaryValue(i));
            }
            if (surfaceModel->NbSbsmBoundary() == 1) {
                replacements.emplace(surfaceModel.get(),
                                     surfaceModel->SbsmBoundaryValue(1).Value());
            }
            if (model != size_t(first)) {
                removed.insert(surfaceModel.get());
                changed.insert(surfaceModels[model].representation.get());
            }
        }
        const auto boundary = new StepShape_HArray1OfShell(1, int(shells.size()));
        for (size_t i = 0; i < shells.size(); ++i) {
            boundary->SetValue(int(i) + 1, shells[i]);
        }
        surfaceModels[size_t(first)].model->SetSbsmBoundary(boundary);
    }
    for (StepShape_ShapeRepresentation* representation : changed) {
        std::vector<Handle(StepRepr_RepresentationItem)> items;
        for (int i = 1; i <= representation->NbItems(); ++i) {
            if (removed.count(representation->ItemsValue(i).get()) == 0) {
                items.push_back(representation->ItemsValue(i));
            }
        }
        const auto array = new StepRepr_HArray1OfRepresentationItem(1, int(items.size()));
        for (size_t i = 0; i < items.size(); ++i) {
            array->SetValue(int(i) + 1, items[i]);
        }
        representation->SetItems(array);
    }
}

// Every reference to a copy goes to what is kept in its place.
void Redirect(const Handle(Interface_InterfaceModel)& model, const Replacements& replacements)
{
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(Standard_Transient)& entity = model->Value(i);
        if (const auto oriented = Handle(StepShape_OrientedEdge)::DownCast(entity);
            !oriented.IsNull()) {
            oriented->SetEdgeElement(
                Handle(StepShape_Edge)::DownCast(KeptFor(replacements, oriented->EdgeElement())));
        } else if (const auto edge = Handle(StepShape_EdgeCurve)::DownCast(entity);
                   !edge.IsNull()) {
            edge->SetEdgeStart(
                Handle(StepShape_Vertex)::DownCast(KeptFor(replacements, edge->EdgeStart())));
            edge->SetEdgeEnd(
                Handle(StepShape_Vertex)::DownCast(KeptFor(replacements, edge->EdgeEnd())));
        } else if (const auto loop = Handle(StepShape_VertexLoop)::DownCast(entity);
                   !loop.IsNull()) {
            loop->SetLoopVertex(
                Handle(StepShape_Vertex)::DownCast(KeptFor(replacements, loop->LoopVertex())));
        } else if (const auto styled = Handle(StepVisual_StyledItem)::DownCast(entity);
                   !styled.IsNull() && !styled->Item().IsNull()) {
            styled->SetItem(Handle(StepRepr_RepresentationItem)::DownCast(
                KeptFor(replacements, styled->Item())));
        }
    }
}

// Takes out of the model what none of `roots` reaches any more: the copies, and what only they
// referred to. False when nothing was.
bool Prune(const Handle(Interface_InterfaceModel)& model, Interface_EntityIterator roots)
{
    const Interface_Graph graph(model, Standard_False);
    std::vector<bool> reached(size_t(model->NbEntities()) + 1, false);
    std::vector<Handle(Standard_Transient)> stack;
    const auto reach = [&](const Handle(Standard_Transient)& entity) {
        const int number = graph.EntityNumber(entity);
        if (number > 0 && !reached[size_t(number)]) {
            reached[size_t(number)] = true;
            stack.push_back(entity);
        }
    };
    for (roots.Start(); roots.More(); roots.Next()) {
        reach(roots.Value());
    }
    while (!stack.empty()) {
        const Handle(Standard_Transient) entity = stack.back();
        stack.pop_back();
        for (Interface_EntityIterator it = graph.Shareds(entity); it.More(); it.Next()) {
            reach(it.Value());
        }
    }
    std::vector<Handle(Standard_Transient)> kept;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        if (reached[size_t(i)]) {
            kept.push_back(model->Value(i));
        }
    }
    if (kept.size() == size_t(model->NbEntities())) {
        return false;
    }
    model->ClearEntities();
    for (const Handle(Standard_Transient)& entity : kept) {
        model->AddEntity(entity);
    }
    return true;
}

} // namespace

void StepSharedTopology::Rejoin(const Handle(XSControl_WorkSession)& session)
{
    const Handle(Interface_InterfaceModel) model = session->Model();
    if (model.IsNull() || session->TransferWriter().IsNull()) {
        return;
    }
    const std::vector<Written> groups =
        WrittenMoreThanOnce(session->TransferWriter()->FinderProcess());
    if (groups.empty()) {
        return;
    }
    Interface_EntityIterator roots;
    std::vector<SurfaceModel> surfaceModels;
    Replacements replacements;
    {
        const Interface_Graph graph(model, Standard_False);
        roots = graph.RootEntities();
        const SurfaceModelOwners owners = FindOwners(graph, groups, surfaceModels);
        std::vector<int> joined(surfaceModels.size());
        std::iota(joined.begin(), joined.end(), 0);
        replacements = ChooseKept(groups, owners, surfaceModels, joined);
        if (replacements.empty()) {
            return;
        }
        JoinSurfaceModels(surfaceModels, joined, replacements);
    }
    Redirect(model, replacements);
    if (Prune(model, roots)) {
        session->ComputeGraph(Standard_True);
    }
}

} // namespace orvkit
