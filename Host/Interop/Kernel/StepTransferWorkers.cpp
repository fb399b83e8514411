#include "Interop/Kernel/StepTransferWorkers.h"

#include "Common/Core/Logger.h"
#include "Common/Core/WorkerProcesses.h"

#include <BRep_Builder.hxx>
#include <BRep_CurveRepresentation.hxx>
#include <BRep_TEdge.hxx>
#include <BRep_TFace.hxx>
#include <BinTools.hxx>
#include <Geom_Conic.hxx>
#include <Geom_ElementarySurface.hxx>
#include <Geom_Line.hxx>
#include <Geom_OffsetCurve.hxx>
#include <Geom_OffsetSurface.hxx>
#include <Geom_RectangularTrimmedSurface.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <Interface_EntityIterator.hxx>
#include <Interface_Graph.hxx>
#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <STEPControl_ActorRead.hxx>
#include <Standard_ErrorHandler.hxx>
#include <Standard_Failure.hxx>
#include <StepData_StepModel.hxx>
#include <StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx.hxx>
#include <StepGeom_GeometricRepresentationContextAndGlobalUnitAssignedContext.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepShape_ClosedShell.hxx>
#include <StepShape_FaceBasedSurfaceModel.hxx>
#include <StepShape_ManifoldSolidBrep.hxx>
#include <StepShape_NonManifoldSurfaceShapeRepresentation.hxx>
#include <StepShape_OpenShell.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <StepShape_ShapeRepresentation.hxx>
#include <StepShape_ShellBasedSurfaceModel.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_HShape.hxx>
#include <TopoDS_Iterator.hxx>
#include <TransferBRep_ShapeBinder.hxx>
#include <Transfer_SimpleBinderOfTransient.hxx>
#include <Transfer_VoidBinder.hxx>
#include <UnitsMethods.hxx>
#include <XSAlgo.hxx>
#include <XSAlgo_AlgoContainer.hxx>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <numeric>
#include <sstream>
#include <thread>
#include <unordered_set>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvkit {

namespace {

// Below this many faces in all, the workers' start and the copying of their results cost
// more than they save. ORVEX_TRANSFER_MIN_FACES replaces it, so that tests can have small
// files translated by workers.
long long FacesWorthWorkers()
{
    if (const char* given = std::getenv("ORVEX_TRANSFER_MIN_FACES"); given != nullptr && *given) {
        return std::atoll(given);
    }
    return 1500;
}

// How long a worker may take beyond the read's own share at the least, in seconds.
// ORVEX_TRANSFER_PATIENCE replaces it, so that tests can stop a worker and see the read go on.
double LeastPatience()
{
    if (const char* given = std::getenv("ORVEX_TRANSFER_PATIENCE"); given != nullptr && *given) {
        return std::atof(given);
    }
    return 30.0;
}

const char kMagic[8] = {'O', 'R', 'V', 'X', 'T', 'W', '1', '\n'};

// Whether the representation's context gives its units itself: then translating its items
// depends on nothing translated before them, which is what lets another process do it.
bool HasOwnUnits(const Handle(StepRepr_Representation)& representation)
{
    const Handle(StepRepr_RepresentationContext) context = representation->ContextOfItems();
    return !context.IsNull() &&
           (context->IsKind(STANDARD_TYPE(
                StepGeom_GeometricRepresentationContextAndGlobalUnitAssignedContext)) ||
            context->IsKind(
                STANDARD_TYPE(StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx)));
}

int FacesOf(const StepShape_Shell& shell)
{
    if (const Handle(StepShape_OpenShell) open = shell.OpenShell()) {
        return open->NbCfsFaces();
    }
    if (const Handle(StepShape_ClosedShell) closed = shell.ClosedShell()) {
        return closed->NbCfsFaces();
    }
    return 0;
}

// How much work translating `item` is, in faces; 0 for an item a worker does not take: only
// solids and shells, which OCCT translates on their own, go to workers.
int CostOf(const Handle(StepRepr_RepresentationItem)& item)
{
    if (const Handle(StepShape_ManifoldSolidBrep) solid =
            Handle(StepShape_ManifoldSolidBrep)::DownCast(item)) {
        return 1 + (solid->Outer().IsNull() ? 0 : solid->Outer()->NbCfsFaces());
    }
    if (const Handle(StepShape_ShellBasedSurfaceModel) shells =
            Handle(StepShape_ShellBasedSurfaceModel)::DownCast(item)) {
        int faces = 1;
        for (int i = 1; i <= shells->NbSbsmBoundary(); ++i) {
            faces += FacesOf(shells->SbsmBoundaryValue(i));
        }
        return faces;
    }
    if (item->IsKind(STANDARD_TYPE(StepShape_FaceBasedSurfaceModel))) {
        return 1;
    }
    return 0;
}

// The products below `roots` in the order the assembly actor translates them: each root after
// the products its occurrences place, depth first.
std::vector<Handle(StepBasic_ProductDefinition)>
ProductOrder(const Handle(TColStd_HSequenceOfTransient)& roots, const Interface_Graph& graph)
{
    std::vector<Handle(StepBasic_ProductDefinition)> order;
    std::unordered_set<const Standard_Transient*> seen;
    struct Frame {
        Handle(StepBasic_ProductDefinition) product;
        std::vector<Handle(StepBasic_ProductDefinition)> children;
        size_t next = 0;
    };
    const auto children = [&graph](const Handle(StepBasic_ProductDefinition)& product) {
        std::vector<Handle(StepBasic_ProductDefinition)> placed;
        for (Interface_EntityIterator it = graph.Sharings(product); it.More(); it.Next()) {
            const Handle(StepRepr_NextAssemblyUsageOccurrence) occurrence =
                Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(it.Value());
            if (!occurrence.IsNull() && occurrence->RelatingProductDefinition() == product &&
                !occurrence->RelatedProductDefinition().IsNull()) {
                placed.push_back(occurrence->RelatedProductDefinition());
            }
        }
        return placed;
    };
    for (int i = 1; !roots.IsNull() && i <= roots->Length(); ++i) {
        const Handle(StepBasic_ProductDefinition) root =
            Handle(StepBasic_ProductDefinition)::DownCast(roots->Value(i));
        if (root.IsNull() || !seen.insert(root.get()).second) {
            continue;
        }
        // Deep assemblies walk on a stack of their own.
        std::vector<Frame> stack;
        stack.push_back({root, children(root)});
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.next < top.children.size()) {
                Handle(StepBasic_ProductDefinition) child = top.children[top.next++];
                if (seen.insert(child.get()).second) {
                    std::vector<Handle(StepBasic_ProductDefinition)> below = children(child);
                    stack.push_back({std::move(child), std::move(below)});
                }
                continue;
            }
            order.push_back(top.product);
            stack.pop_back();
        }
    }
    return order;
}

bool HasOccurrences(const Handle(StepBasic_ProductDefinition)& product,
                    const Interface_Graph& graph)
{
    for (Interface_EntityIterator it = graph.Sharings(product); it.More(); it.Next()) {
        const Handle(StepRepr_NextAssemblyUsageOccurrence) occurrence =
            Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(it.Value());
        if (!occurrence.IsNull() && occurrence->RelatingProductDefinition() == product) {
            return true;
        }
    }
    return false;
}

// The representations of the product's own shape, as the translation of a product finds them
// (not those of its shape aspects), that a worker can translate the items of.
std::vector<Handle(StepShape_ShapeRepresentation)>
OwnRepresentations(const Handle(StepBasic_ProductDefinition)& product, const Interface_Graph& graph)
{
    std::vector<Handle(StepShape_ShapeRepresentation)> found;
    for (Interface_EntityIterator it = graph.Sharings(product); it.More(); it.Next()) {
        const Handle(StepRepr_ProductDefinitionShape) shape =
            Handle(StepRepr_ProductDefinitionShape)::DownCast(it.Value());
        if (shape.IsNull()) {
            continue;
        }
        for (Interface_EntityIterator user = graph.Sharings(shape); user.More(); user.Next()) {
            const Handle(StepShape_ShapeDefinitionRepresentation) definition =
                Handle(StepShape_ShapeDefinitionRepresentation)::DownCast(user.Value());
            if (definition.IsNull()) {
                continue;
            }
            const Handle(StepShape_ShapeRepresentation) representation =
                Handle(StepShape_ShapeRepresentation)::DownCast(definition->UsedRepresentation());
            // Non-manifold representations are translated as one whole.
            if (!representation.IsNull() &&
                !representation->IsKind(
                    STANDARD_TYPE(StepShape_NonManifoldSurfaceShapeRepresentation)) &&
                HasOwnUnits(representation)) {
                found.push_back(representation);
            }
        }
    }
    return found;
}

// The elementary surface under a face's surface, if any.
Handle(Geom_ElementarySurface) ElementaryOf(const TopoDS_Shape& face)
{
    Handle(Geom_Surface) surface = Handle(BRep_TFace)::DownCast(face.TShape())->Surface();
    for (int depth = 0; depth < 8 && !surface.IsNull(); ++depth) {
        if (const auto trimmed = Handle(Geom_RectangularTrimmedSurface)::DownCast(surface)) {
            surface = trimmed->BasisSurface();
        } else if (const auto offset = Handle(Geom_OffsetSurface)::DownCast(surface)) {
            surface = offset->BasisSurface();
        } else {
            break;
        }
    }
    return Handle(Geom_ElementarySurface)::DownCast(surface);
}

// The line or conic under an edge's 3D curve, if any.
Handle(Geom_Curve) LineOrConicOf(const TopoDS_Shape& edge)
{
    Handle(Geom_Curve) curve;
    for (const Handle(BRep_CurveRepresentation)& representation :
         Handle(BRep_TEdge)::DownCast(edge.TShape())->Curves()) {
        if (representation->IsCurve3D()) {
            curve = representation->Curve3D();
            break;
        }
    }
    for (int depth = 0; depth < 8 && !curve.IsNull(); ++depth) {
        if (const auto trimmed = Handle(Geom_TrimmedCurve)::DownCast(curve)) {
            curve = trimmed->BasisCurve();
        } else if (const auto offset = Handle(Geom_OffsetCurve)::DownCast(curve)) {
            curve = offset->BasisCurve();
        } else {
            break;
        }
    }
    if (curve.IsNull() || curve->IsKind(STANDARD_TYPE(Geom_Line)) ||
        curve->IsKind(STANDARD_TYPE(Geom_Conic))) {
        return curve;
    }
    return nullptr;
}

template <class Value> void WriteRaw(std::ostream& out, const Value& value)
{
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

template <class Value> bool ReadRaw(std::istream& in, Value& value)
{
    return static_cast<bool>(in.read(reinterpret_cast<char*>(&value), sizeof value));
}

// Binary BREP makes the axes of planes, cylinders, cones, circles and lines again from their
// directions, which moves their last bits; a file written after a read with workers would
// then differ from one written after a read in one process. Their exact values go beside the
// BREP, face by face and edge by edge, in the order a walk of the shapes meets them.
void WriteAxes(std::ostream& out, const TopoDS_Shape& shapes)
{
    TopTools_IndexedMapOfShape faces, edges;
    TopExp::MapShapes(shapes, TopAbs_FACE, faces);
    TopExp::MapShapes(shapes, TopAbs_EDGE, edges);
    WriteRaw(out, std::array<std::int32_t, 2>{faces.Extent(), edges.Extent()});
    for (int i = 1; i <= faces.Extent(); ++i) {
        const Handle(Geom_ElementarySurface) surface = ElementaryOf(faces(i));
        out.put(surface.IsNull() ? '\0' : '\1');
        if (!surface.IsNull()) {
            WriteRaw(out, surface->Position());
        }
    }
    for (int i = 1; i <= edges.Extent(); ++i) {
        const Handle(Geom_Curve) curve = LineOrConicOf(edges(i));
        if (const auto line = Handle(Geom_Line)::DownCast(curve)) {
            out.put('\1');
            WriteRaw(out, line->Position());
        } else if (const auto conic = Handle(Geom_Conic)::DownCast(curve)) {
            out.put('\2');
            WriteRaw(out, conic->Position());
        } else {
            out.put('\0');
        }
    }
}

bool ReadAxes(std::istream& in, const TopoDS_Shape& shapes)
{
    TopTools_IndexedMapOfShape faces, edges;
    TopExp::MapShapes(shapes, TopAbs_FACE, faces);
    TopExp::MapShapes(shapes, TopAbs_EDGE, edges);
    std::array<std::int32_t, 2> counts{};
    if (!ReadRaw(in, counts) || counts[0] != faces.Extent() || counts[1] != edges.Extent()) {
        return false;
    }
    for (int i = 1; i <= faces.Extent(); ++i) {
        const Handle(Geom_ElementarySurface) surface = ElementaryOf(faces(i));
        const int kind = in.get();
        gp_Ax3 axes;
        if (kind != (surface.IsNull() ? 0 : 1) || (kind == 1 && !ReadRaw(in, axes))) {
            return false;
        }
        if (kind == 1) {
            surface->SetPosition(axes);
        }
    }
    for (int i = 1; i <= edges.Extent(); ++i) {
        const Handle(Geom_Curve) curve = LineOrConicOf(edges(i));
        const auto line = Handle(Geom_Line)::DownCast(curve);
        const auto conic = Handle(Geom_Conic)::DownCast(curve);
        const int kind = in.get();
        if (kind != (!line.IsNull() ? 1 : !conic.IsNull() ? 2 : 0)) {
            return false;
        }
        gp_Ax1 axis;
        gp_Ax2 axes;
        if ((kind == 1 && !ReadRaw(in, axis)) || (kind == 2 && !ReadRaw(in, axes))) {
            return false;
        }
        if (kind == 1) {
            line->SetPosition(axis);
        } else if (kind == 2) {
            conic->SetPosition(axes);
        }
    }
    return true;
}

bool WriteAll(int file, const std::string& text)
{
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(file, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        written += static_cast<size_t>(count);
    }
    return true;
}

bool ReadAll(int file, std::string& text)
{
    struct stat status {};
    if (::fstat(file, &status) != 0) {
        return false;
    }
    text.resize(static_cast<size_t>(status.st_size));
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t count =
            ::pread(file, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        done += static_cast<size_t>(count);
    }
    return true;
}

std::string SignalName(int signal)
{
    const char* name = ::sigabbrev_np(signal);
    return name != nullptr ? std::string("SIG") + name : "signal " + std::to_string(signal);
}

// What SetDefaultJobs set; 0: one per core.
std::atomic<int> gDefaultJobs{0};

} // namespace

int StepTransferWorkers::DefaultJobs()
{
    const int set = gDefaultJobs.load();
    return set > 0 ? set : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void StepTransferWorkers::SetDefaultJobs(int jobs)
{
    gDefaultJobs.store(std::max(0, jobs));
}

std::unique_ptr<StepTransferWorkers>
StepTransferWorkers::Start(const Handle(Transfer_TransientProcess)& process,
                           const Handle(TColStd_HSequenceOfTransient)& roots, int jobs)
{
    const int level = Interface_Static::IVal("read.step.assembly.level");
    if (jobs <= 1 || process.IsNull() || !process->HasGraph() || level == 3) {
        return nullptr;
    }
    std::unique_ptr<StepTransferWorkers> workers(new StepTransferWorkers);
    const std::vector<int> costs = workers->PlanItems(roots, process->Graph(), level);
    const long long total = std::accumulate(costs.begin(), costs.end(), 0LL);
    if (total < FacesWorthWorkers() || workers->myItems.size() < 2) {
        return nullptr;
    }
    const int shares = static_cast<int>(std::min<size_t>(jobs, workers->myItems.size()));
    workers->Fork(process, workers->ShareOut(shares, costs, total));
    workers->myStarted = std::chrono::steady_clock::now();
    Logger::Instance().Message(
        1, "STEP reader: %d processes translate %zu solids and shells of %lld faces", shares,
        workers->myItems.size(), total);
    return workers;
}

std::vector<int> StepTransferWorkers::PlanItems(const Handle(TColStd_HSequenceOfTransient)& roots,
                                                const Interface_Graph& graph, int level)
{
    std::unordered_set<const Standard_Transient*> planned;
    std::vector<int> costs;
    for (const Handle(StepBasic_ProductDefinition)& product : ProductOrder(roots, graph)) {
        // At this level an assembly's own shape is not read.
        if (level == 2 && HasOccurrences(product, graph)) {
            continue;
        }
        for (const Handle(StepShape_ShapeRepresentation)& representation :
             OwnRepresentations(product, graph)) {
            for (int i = 1; i <= representation->NbItems(); ++i) {
                const Handle(StepRepr_RepresentationItem) item = representation->ItemsValue(i);
                const int cost = item.IsNull() ? 0 : CostOf(item);
                if (cost == 0 || !planned.insert(item.get()).second) {
                    continue;
                }
                myItemsOfProduct[product.get()].push_back(myItems.size());
                Item& entry = myItems.emplace_back();
                entry.item = item;
                entry.representation = representation;
                costs.push_back(cost);
            }
        }
    }
    return costs;
}

std::vector<std::vector<size_t>>
StepTransferWorkers::ShareOut(int shares, const std::vector<int>& costs, long long total)
{
    // Consecutive shares of about the same number of faces; the first is the read's own,
    // which it translates as it comes to them.
    std::vector<std::vector<size_t>> work(shares);
    long long before = 0;
    for (size_t i = 0; i < myItems.size(); ++i) {
        Item& item = myItems[i];
        item.worker = static_cast<int>(std::min<long long>(shares - 1, before * shares / total));
        before += costs[i];
        item.index = static_cast<int>(work[item.worker].size());
        work[item.worker].push_back(i);
    }
    return work;
}

void StepTransferWorkers::Fork(const Handle(Transfer_TransientProcess)& process,
                               const std::vector<std::vector<size_t>>& work)
{
    myWorkers.resize(work.size());
    const pid_t parent = ::getpid();
    for (size_t share = 1; share < work.size(); ++share) {
        Worker& worker = myWorkers[share];
        worker.file = ::memfd_create("orvex-transfer", MFD_CLOEXEC);
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        const pid_t pid = worker.file < 0 ? -1 : ::fork();
        if (pid == 0) {
            Work(process, myItems, work[share], worker.file, parent);
        }
        if (pid < 0) {
            // No process to be had: the read translates this share itself.
            if (worker.file >= 0) {
                ::close(worker.file);
                worker.file = -1;
            }
            for (const size_t item : work[share]) {
                myItems[item].worker = 0;
            }
            worker.collected = true;
            continue;
        }
        worker.pid = pid;
        worker.items = work[share].size();
        WorkerProcesses::Add(pid);
    }
}

// What a worker's translation of one item bound (map index and binder), and whether the read
// may take it.
struct StepTransferWorkers::Translated {
    bool portable = true;
    std::vector<std::pair<int, Handle(Transfer_Binder)>> bound;
};

void StepTransferWorkers::Work(const Handle(Transfer_TransientProcess)& process,
                               const std::vector<Item>& items, const std::vector<size_t>& share,
                               int file, pid_t parent)
{
    // Dies with the read: a read given up on (a time or memory limit) leaves no worker behind.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(1);
    }
    // What OCCT says while it translates is the read's to say, once. Its messages go nowhere:
    // the printers the read installed lock what another thread of the read may have held when
    // it forked, and nothing unlocks it here.
    const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing >= 0) {
        ::dup2(nothing, STDOUT_FILENO);
        ::dup2(nothing, STDERR_FILENO);
    }
    Message::DefaultMessenger()->ChangePrinters().Clear();
    process->SetMessenger(new Message_Messenger);
    int exitCode = 0;
    try {
        OCC_CATCH_SIGNALS
        const std::vector<Translated> done = TranslateShare(process, items, share);
        exitCode = WriteAll(file, ResultsText(process, items, share, done)) ? 0 : 3;
    } catch (const Standard_Failure&) {
        exitCode = 2;
    } catch (const std::exception&) {
        exitCode = 2;
    }
    // No destructors and no exit handlers: they belong to the read.
    ::_exit(exitCode);
}

std::vector<StepTransferWorkers::Translated>
StepTransferWorkers::TranslateShare(const Handle(Transfer_TransientProcess)& process,
                                    const std::vector<Item>& items,
                                    const std::vector<size_t>& share)
{
    // What the base actor does before its first transfer, which has not happened here.
    const Handle(StepData_StepModel) model = Handle(StepData_StepModel)::DownCast(process->Model());
    if (!model->IsInitializedUnit()) {
        XSAlgo::AlgoContainer()->PrepareForTransfer();
        model->SetLocalLengthUnit(UnitsMethods::GetCasCadeLengthUnit());
    }
    const Handle(STEPControl_ActorRead) actor = new STEPControl_ActorRead;
    std::vector<Translated> done(share.size());
    Handle(StepRepr_Representation) units;
    for (size_t i = 0; i < share.size(); ++i) {
        const Item& item = items[share[i]];
        if (item.representation != units) {
            units = item.representation;
            actor->PrepareUnits(units, process);
        }
        const int first = process->NbMapped() + 1;
        try {
            OCC_CATCH_SIGNALS
            actor->TransferShape(item.item, process, Standard_True, Standard_False);
        } catch (const Standard_Failure&) {
            done[i].portable = false; // the read translates it, and meets the fault itself
        }
        for (int index = first; index <= process->NbMapped(); ++index) {
            done[i].bound.emplace_back(index, process->MapItem(index));
        }
    }
    // An entity bound again by a later item (geometry shared between solids) no longer
    // holds the shape the first item made: that item and all after it are the read's.
    for (size_t i = 0; i < done.size(); ++i) {
        for (const auto& [index, binder] : done[i].bound) {
            if (process->MapItem(index) != binder) {
                for (size_t later = i; later < done.size(); ++later) {
                    done[later].portable = false;
                }
            }
        }
    }
    return done;
}

std::string StepTransferWorkers::ResultsText(const Handle(Transfer_TransientProcess)& process,
                                             const std::vector<Item>& items,
                                             const std::vector<size_t>& share,
                                             const std::vector<Translated>& done)
{
    const Handle(Interface_InterfaceModel) model = process->Model();
    std::ostringstream out(std::ios::binary);
    out.write(kMagic, sizeof kMagic);
    WriteRaw<std::int32_t>(out, static_cast<std::int32_t>(done.size()));
    BRep_Builder builder;
    TopoDS_Compound shapes;
    builder.MakeCompound(shapes);
    std::int32_t count = 0;
    for (size_t i = 0; i < done.size(); ++i) {
        // Entity numbers with their shapes; a null shape for a curve or surface the
        // translation keeps for the edges and faces that share it, which the read checks
        // it has not made itself but does not take over.
        std::vector<std::pair<std::int32_t, TopoDS_Shape>> bound;
        bool portable = done[i].portable;
        bool hasItem = false;
        for (const auto& [index, binder] : done[i].bound) {
            if (binder->DynamicType() == STANDARD_TYPE(Transfer_VoidBinder)) {
                continue; // a message, no result
            }
            const Handle(Standard_Transient)& entity = process->Mapped(index);
            const Handle(TransferBRep_ShapeBinder) shape =
                Handle(TransferBRep_ShapeBinder)::DownCast(binder);
            const Handle(Transfer_SimpleBinderOfTransient) geometry =
                Handle(Transfer_SimpleBinderOfTransient)::DownCast(binder);
            if (!shape.IsNull() && !shape->Result().IsNull()) {
                hasItem = hasItem || entity == items[share[i]].item;
                bound.emplace_back(model->Number(entity), shape->Result());
            } else if (!geometry.IsNull() && !geometry->Result().IsNull() &&
                       !geometry->Result()->IsKind(STANDARD_TYPE(TopoDS_HShape))) {
                bound.emplace_back(model->Number(entity), TopoDS_Shape());
            } else {
                portable = false;
                break;
            }
        }
        portable = portable && hasItem;
        WriteRaw<std::int32_t>(out, portable ? static_cast<std::int32_t>(bound.size()) : -1);
        if (!portable) {
            continue;
        }
        for (const auto& [number, shape] : bound) {
            WriteRaw<std::int32_t>(out, number);
            WriteRaw<std::int32_t>(out, shape.IsNull() ? -1 : count++);
            if (!shape.IsNull()) {
                builder.Add(shapes, shape);
            }
        }
    }
    BinTools::Write(shapes, out);
    WriteAxes(out, shapes);
    return out.str();
}

bool StepTransferWorkers::Collect(Worker& worker)
{
    worker.collected = true;
    int status = 0;
    pid_t waited = -1;
    if (!AwaitExit(worker, status, waited)) {
        return true;
    }
    WorkerProcesses::Remove(worker.pid);
    worker.pid = -1;
    std::string text;
    const bool read = ReadAll(worker.file, text);
    ::close(worker.file);
    worker.file = -1;
    if (waited < 0) {
        myFailure = "a translation worker was lost";
    } else if (WIFSIGNALED(status)) {
        myFailure = "a translation worker was killed by " + SignalName(WTERMSIG(status));
    } else if (WEXITSTATUS(status) != 0) {
        myFailure =
            "a translation worker failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
    } else if (!read || text.size() < sizeof kMagic ||
               std::memcmp(text.data(), kMagic, sizeof kMagic) != 0) {
        myFailure = "a translation worker's results cannot be read";
    }
    if (!myFailure.empty()) {
        return false;
    }
    if (!ReadResults(text, worker)) {
        myFailure = "a translation worker's results cannot be read";
        return false;
    }
    return true;
}

bool StepTransferWorkers::AwaitExit(Worker& worker, int& status, pid_t& waited)
{
    // A worker forked while another thread of the program held a lock that the translation
    // takes (OCCT's exception handlers share one) waits for it for ever. The shares are about
    // even, so a worker still at work long after the read finished its own share is taken to
    // be stuck: it is stopped, and the read translates its share itself.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point waiting = Clock::now();
    const Clock::duration patience = std::max<Clock::duration>(
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(LeastPatience())),
        4 * (waiting - myStarted));
    auto pause = std::chrono::microseconds(200);
    while ((waited = ::waitpid(worker.pid, &status, WNOHANG)) == 0 ||
           (waited < 0 && errno == EINTR)) {
        if (Clock::now() - waiting > patience) {
            Logger::Instance().Message(
                3,
                "STEP reader: a translation worker made no progress in %.0f s; the read "
                "translates its %zu solids and shells itself",
                std::chrono::duration<double>(Clock::now() - waiting).count(), worker.items);
            Stop(worker);
            worker.results.assign(worker.items, Result());
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min<decltype(pause)>(pause * 2, std::chrono::milliseconds(10));
    }
    return true;
}

bool StepTransferWorkers::ReadResults(const std::string& text, Worker& worker)
{
    std::istringstream in(text, std::ios::binary);
    in.seekg(sizeof kMagic);
    std::int32_t items = 0;
    bool good = ReadRaw(in, items) && items >= 0 && static_cast<size_t>(items) == worker.items;
    std::vector<std::vector<std::pair<std::int32_t, std::int32_t>>> entries;
    for (std::int32_t i = 0; good && i < items; ++i) {
        std::int32_t count = 0;
        good = ReadRaw(in, count);
        entries.emplace_back();
        Result& result = worker.results.emplace_back();
        result.portable = good && count >= 0;
        for (std::int32_t k = 0; good && k < count; ++k) {
            std::int32_t number = 0, shape = 0;
            good = ReadRaw(in, number) && ReadRaw(in, shape);
            entries.back().emplace_back(number, shape);
        }
    }
    std::vector<TopoDS_Shape> shapes;
    if (good) {
        try {
            OCC_CATCH_SIGNALS
            TopoDS_Shape all;
            BinTools::Read(all, in);
            good = ReadAxes(in, all);
            for (TopoDS_Iterator it(all, Standard_False, Standard_False); it.More(); it.Next()) {
                shapes.push_back(it.Value());
            }
        } catch (const Standard_Failure&) {
            good = false;
        }
    }
    for (size_t i = 0; good && i < entries.size(); ++i) {
        for (const auto& [number, shape] : entries[i]) {
            good = good && shape >= -1 && (shape < 0 || static_cast<size_t>(shape) < shapes.size());
            if (good) {
                worker.results[i].bound.emplace_back(
                    number, shape < 0 ? TopoDS_Shape() : shapes[static_cast<size_t>(shape)]);
            }
        }
    }
    return good;
}

void StepTransferWorkers::Bind(const Handle(StepBasic_ProductDefinition)& product,
                               const Handle(Transfer_TransientProcess)& process)
{
    const auto found = myItemsOfProduct.find(product.get());
    if (found == myItemsOfProduct.end()) {
        return;
    }
    const Handle(Interface_InterfaceModel) model = process->Model();
    for (const size_t index : found->second) {
        const Item& item = myItems[index];
        if (item.worker == 0) {
            continue;
        }
        Worker& worker = myWorkers[static_cast<size_t>(item.worker)];
        if (!worker.collected && !Collect(worker)) {
            // Nothing more is worth translating: the read fails with this reason.
            Finish();
            throw Standard_Failure(myFailure.c_str());
        }
        if (!myFailure.empty()) {
            throw Standard_Failure(myFailure.c_str());
        }
        const Result& result = worker.results[static_cast<size_t>(item.index)];
        // Translated already by another road, or sharing an entity with what was: the read
        // translates it where it comes to it, as it would have.
        bool free = result.portable && !process->IsBound(item.item);
        for (size_t k = 0; free && k < result.bound.size(); ++k) {
            const int number = result.bound[k].first;
            free = number >= 1 && number <= model->NbEntities() &&
                   !process->IsBound(model->Value(number));
        }
        if (!free) {
            continue;
        }
        for (const auto& [number, shape] : result.bound) {
            if (!shape.IsNull()) {
                process->Bind(model->Value(number), new TransferBRep_ShapeBinder(shape));
            }
        }
    }
}

void StepTransferWorkers::Stop(Worker& worker)
{
    if (worker.pid > 0) {
        ::kill(worker.pid, SIGKILL);
        int status = 0;
        while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
        }
        WorkerProcesses::Remove(worker.pid);
        worker.pid = -1;
    }
    if (worker.file >= 0) {
        ::close(worker.file);
        worker.file = -1;
    }
    worker.collected = true;
}

std::string StepTransferWorkers::Finish()
{
    for (Worker& worker : myWorkers) {
        Stop(worker);
    }
    return myFailure;
}

StepTransferWorkers::~StepTransferWorkers()
{
    Finish();
}

} // namespace orvkit
