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
#include <string_view>
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

// Reads `text.size()` bytes of `file` from `offset` on.
bool ReadRange(int file, std::uint64_t offset, std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::pread(file, text.data() + done, text.size() - done,
                                      static_cast<off_t>(offset + done));
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

// The faces of the file's B-rep, counted from its records: whether workers may pay for
// themselves, known before the model is loaded.
long long FacesIn(const StepFileParse& parse)
{
    long long faces = 0;
    for (const StepFileParse::Chunk& chunk : parse.GetChunks()) {
        for (const StepFileParse::Record& record : chunk.records) {
            const std::string_view type(record.type, record.typeLength);
            faces += type == "ADVANCED_FACE" || type == "FACE_SURFACE" ? 1 : 0;
        }
    }
    return faces;
}

// How many workers this machine, and the program's memory limit, have room for beside the
// read. Each holds a model and its translations of its own, as the read will, which take about
// this many times the file's size, with some room to spare (4,000 distinct parts in a 38 MB
// file: a worker held 250 MB).
int TwinsThatFit(size_t fileBytes)
{
    constexpr double kModelPerFileByte = 8.0;
    const double need = kModelPerFileByte * static_cast<double>(fileBytes) / (1 << 20);
    const double room = WorkerProcesses::RoomMegabytes() - need; // the read's own first
    return room < need ? 0 : static_cast<int>(std::min(room / need, 1024.0));
}

// In a worker, right after the fork: it dies with the read (a read given up on, for a time or
// memory limit, leaves no worker behind), and says nothing. What OCCT and the program would
// say while it reads and translates is the read's to say, once; their printers and sinks are
// the read's (files, callbacks, the terminal), and may lock what another thread of the read
// held when it forked, which nothing unlocks here.
void BecomeQuiet(pid_t parent)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(1);
    }
    const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing >= 0) {
        ::dup2(nothing, STDOUT_FILENO);
        ::dup2(nothing, STDERR_FILENO);
        ::close(nothing);
    }
    Logger::Instance().Mute();
    Message::DefaultMessenger()->ChangePrinters().Clear();
}

// What became of an item; with who has it (0: the read, w: worker w), one word that the
// processes change atomically.
enum Phase : std::uint32_t {
    kFree = 0,  // nobody has taken it yet
    kTaken = 1, // its owner translates it (or, for the read, will)
    kDone = 2,  // a worker's result waits in its memory file
    kLeft = 3,  // a worker gave it back: the read translates it
};

constexpr std::uint32_t StateOf(int owner, Phase phase)
{
    return (static_cast<std::uint32_t>(owner) << 2) | phase;
}

Phase PhaseOf(std::uint32_t state)
{
    return static_cast<Phase>(state & 3U);
}

int OwnerOf(std::uint32_t state)
{
    return static_cast<int>(state >> 2);
}

constexpr size_t kNone = static_cast<size_t>(-1);

// Whether translating `item` used an entity that an earlier item of this worker had bound
// (entities from `ownFirst` up to `first` in the transfer process): geometry shared between
// solids. Each result goes to the read on its own, so the shapes two results share would come
// apart there, and a translation that binds an entity again would leave the earlier result
// other than the read's own. The read translates such an item itself.
bool UsesEarlierBindings(const Handle(Transfer_TransientProcess)& process,
                         const Handle(Standard_Transient)& item, int ownFirst, int first)
{
    const Interface_Graph& graph = process->Graph();
    std::vector<Handle(Standard_Transient)> stack{item};
    std::unordered_set<const Standard_Transient*> seen{item.get()};
    while (!stack.empty()) {
        const Handle(Standard_Transient) entity = stack.back();
        stack.pop_back();
        const int index = process->MapIndex(entity);
        if (index >= ownFirst && index < first) {
            return true;
        }
        for (Interface_EntityIterator it = graph.Shareds(entity); it.More(); it.Next()) {
            if (seen.insert(it.Value().get()).second) {
                stack.push_back(it.Value());
            }
        }
    }
    return false;
}

} // namespace

// What the read and its workers share, mapped into all of them before the fork: the read's
// plan, where the read is, and the state of each item with, once a worker has translated it,
// where its result is in that worker's memory file.
struct StepTransferWorkers::Shared {
    struct Slot {
        std::atomic<std::uint32_t> state{kFree};
        std::uint64_t offset = 0; // written before the state says done
        std::uint64_t length = 0;
    };
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free &&
                      std::atomic<std::int64_t>::is_always_lock_free,
                  "the processes share these atomics through memory, not through a lock");
    enum Plan : std::uint32_t { kPlanning, kPlanned, kDeclined };

    std::atomic<std::uint32_t> plan{kPlanning};
    std::uint64_t signature = 0;         // Signature() of the read's plan, written before kPlanned
    size_t count = 0;                    // items planned, written before kPlanned
    size_t capacity = 0;                 // room for this many slots
    std::atomic<std::int64_t> readAt{0}; // the item the read came to last

    Slot* Slots() { return reinterpret_cast<Slot*>(this + 1); }

    // Room for `capacity` items, of which only the pages used are ever given memory; null
    // when no shared memory can be had.
    static Shared* Make(size_t capacity, size_t& bytes)
    {
        bytes = sizeof(Shared) + capacity * sizeof(Slot);
        void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                              MAP_SHARED | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (memory == MAP_FAILED) {
            return nullptr;
        }
        Shared* shared = new (memory) Shared;
        shared->capacity = capacity;
        return shared;
    }
};

int StepTransferWorkers::DefaultJobs()
{
    const int set = gDefaultJobs.load();
    return set > 0 ? set : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void StepTransferWorkers::SetDefaultJobs(int jobs)
{
    gDefaultJobs.store(std::max(0, jobs));
}

std::shared_ptr<StepTransferWorkers> StepTransferWorkers::Fork(const StepFileParse& parse, int jobs)
{
    if (jobs <= 1 || parse.GetOutcome() != StepFileParse::Parsed ||
        FacesIn(parse) < FacesWorthWorkers()) {
        return nullptr;
    }
    const int twins = std::min(jobs - 1, TwinsThatFit(parse.GetSize()));
    if (twins < 1) {
        return nullptr;
    }
    std::shared_ptr<StepTransferWorkers> workers(new StepTransferWorkers);
    workers->myShared =
        Shared::Make(static_cast<size_t>(parse.GetRecordCount()) + 1, workers->mySharedBytes);
    if (workers->myShared == nullptr) {
        return nullptr;
    }
    workers->myStarted = std::chrono::steady_clock::now();
    workers->ForkTwins(twins);
    return workers;
}

void StepTransferWorkers::ForkTwins(int count)
{
    myWorkers.resize(static_cast<size_t>(count) + 1);
    const pid_t parent = ::getpid();
    for (size_t w = 1; w < myWorkers.size(); ++w) {
        Worker& worker = myWorkers[w];
        worker.file = ::memfd_create("orvex-transfer", MFD_CLOEXEC);
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        const pid_t pid = worker.file < 0 ? -1 : ::fork();
        if (pid == 0) {
            mySelf = static_cast<int>(w);
            BecomeQuiet(parent);
            return;
        }
        if (pid < 0) {
            // No process to be had: the read and the others do without it.
            if (worker.file >= 0) {
                ::close(worker.file);
                worker.file = -1;
            }
            continue;
        }
        worker.pid = pid;
        WorkerProcesses::Add(pid);
    }
}

bool StepTransferWorkers::Plan(const Handle(Transfer_TransientProcess)& process,
                               const Handle(TColStd_HSequenceOfTransient)& roots)
{
    const int level = Interface_Static::IVal("read.step.assembly.level");
    if (roots.IsNull() || process.IsNull() || !process->HasGraph() || level == 3) {
        return false;
    }
    const std::vector<int> costs = PlanItems(roots, process->Graph(), level);
    myFaces = std::accumulate(costs.begin(), costs.end(), 0LL);
    return myFaces >= FacesWorthWorkers() && myItems.size() >= 2 &&
           myItems.size() <= myShared->capacity;
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

std::uint64_t StepTransferWorkers::Signature(const Handle(Transfer_TransientProcess)& process) const
{
    const Handle(Interface_InterfaceModel) model = process->Model();
    std::uint64_t hash = 14695981039346656037ULL; // FNV-1a
    const auto mix = [&hash](std::uint64_t value) { hash = (hash ^ value) * 1099511628211ULL; };
    mix(myItems.size());
    for (const Item& item : myItems) {
        mix(static_cast<std::uint64_t>(model->Number(item.item)));
        mix(static_cast<std::uint64_t>(model->Number(item.representation)));
    }
    return hash;
}

bool StepTransferWorkers::Start(const Handle(Transfer_TransientProcess)& process,
                                const Handle(TColStd_HSequenceOfTransient)& roots)
{
    if (!Plan(process, roots)) {
        // Stopped rather than told: a worker may still be loading the model.
        myShared->plan.store(Shared::kDeclined, std::memory_order_release);
        for (Worker& worker : myWorkers) {
            Stop(worker);
            if (worker.file >= 0) {
                ::close(worker.file);
            }
        }
        myWorkers.clear();
        return false;
    }
    for (size_t i = 0; i < myItems.size(); ++i) {
        new (myShared->Slots() + i) Shared::Slot;
    }
    myShared->count = myItems.size();
    myShared->signature = Signature(process);
    myShared->plan.store(Shared::kPlanned, std::memory_order_release);
    Logger::Instance().Message(
        1, "STEP reader: %zu processes translate %zu solids and shells of %lld faces",
        myWorkers.size(), myItems.size(), myFaces);
    return true;
}

void StepTransferWorkers::Serve(const Handle(Transfer_TransientProcess)& process,
                                const Handle(TColStd_HSequenceOfTransient)& roots)
{
    const bool planned = Plan(process, roots);
    const std::uint64_t signature = planned ? Signature(process) : 0;
    std::uint32_t plan = Shared::kPlanning;
    while (planned &&
           (plan = myShared->plan.load(std::memory_order_acquire)) == Shared::kPlanning) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // A plan other than the read's would bind results to the wrong entities: such a worker
    // leaves, and the read translates what it would have.
    if (plan != Shared::kPlanned || myShared->count != myItems.size() ||
        myShared->signature != signature) {
        ::_exit(0);
    }
    Work(process, myItems, *myShared, mySelf, myWorkers[static_cast<size_t>(mySelf)].file);
}

// What a worker's translation of one item bound (map index and binder), and whether the read
// may take it.
struct StepTransferWorkers::Translated {
    bool portable = true;
    std::vector<std::pair<int, Handle(Transfer_Binder)>> bound;
};

void StepTransferWorkers::Work(const Handle(Transfer_TransientProcess)& process,
                               const std::vector<Item>& items, Shared& shared, int self, int file)
{
    process->SetMessenger(new Message_Messenger);
    int exitCode = 0;
    try {
        OCC_CATCH_SIGNALS
        exitCode = TranslateTaken(process, items, shared, self, file) ? 0 : 3;
    } catch (const Standard_Failure&) {
        exitCode = 2;
    } catch (const std::exception&) {
        exitCode = 2;
    }
    // No destructors and no exit handlers: they belong to the read.
    ::_exit(exitCode);
}

bool StepTransferWorkers::TranslateTaken(const Handle(Transfer_TransientProcess)& process,
                                         const std::vector<Item>& items, Shared& shared, int self,
                                         int file)
{
    // What the base actor does before its first transfer, which has not happened here.
    const Handle(StepData_StepModel) model = Handle(StepData_StepModel)::DownCast(process->Model());
    if (!model->IsInitializedUnit()) {
        XSAlgo::AlgoContainer()->PrepareForTransfer();
        model->SetLocalLengthUnit(UnitsMethods::GetCasCadeLengthUnit());
    }
    const Handle(STEPControl_ActorRead) actor = new STEPControl_ActorRead;
    const int ownFirst = process->NbMapped() + 1;
    Handle(StepRepr_Representation) units;
    std::uint64_t written = 0;
    size_t cursor = 0;
    size_t back = items.size();
    for (size_t index = NextItem(shared, self, 0, cursor, back); index != kNone;) {
        const std::int64_t readBefore = shared.readAt.load(std::memory_order_relaxed);
        const Item& item = items[index];
        if (item.representation != units) {
            units = item.representation;
            actor->PrepareUnits(units, process);
        }
        const std::string text =
            ResultText(process, item, Translate(actor, process, item, ownFirst));
        Shared::Slot& slot = shared.Slots()[index];
        if (text.empty() || !WriteAll(file, text)) {
            slot.state.store(StateOf(self, kLeft), std::memory_order_release);
            if (!text.empty()) {
                return false; // the memory file takes no more
            }
        } else {
            slot.offset = written;
            slot.length = text.size();
            written += text.size();
            slot.state.store(StateOf(self, kDone), std::memory_order_release);
        }
        // The read came this many items further while this one was translated: the next
        // should lie at least as far beyond it, to be done before the read comes to it.
        const std::int64_t lead = shared.readAt.load(std::memory_order_relaxed) - readBefore;
        index = NextItem(shared, self, static_cast<size_t>(std::max<std::int64_t>(0, lead)), cursor,
                         back);
    }
    return true;
}

size_t StepTransferWorkers::NextItem(Shared& shared, int self, size_t lead, size_t& cursor,
                                     size_t& back)
{
    // The first item nobody has taken from the cursor on, `lead` + 2 past the read at the
    // least: the read takes the items it comes to, and a worker that took the very next ones
    // would keep it waiting item after item. Past the end of the list, the last one nobody has
    // taken, working back towards the read.
    Shared::Slot* slots = shared.Slots();
    for (;;) {
        const std::int64_t readAt = shared.readAt.load(std::memory_order_relaxed);
        const size_t least = static_cast<size_t>(std::max<std::int64_t>(0, readAt + 2)) + lead;
        size_t found = kNone;
        for (size_t i = std::max(cursor, least); i < shared.count && found == kNone; ++i) {
            found = slots[i].state.load(std::memory_order_relaxed) == kFree ? i : kNone;
        }
        if (found != kNone) {
            cursor = found + 1;
        }
        for (size_t i = back; found == kNone && i-- > least;) {
            found = slots[i].state.load(std::memory_order_relaxed) == kFree ? i : kNone;
            back = i;
        }
        if (found == kNone) {
            return kNone;
        }
        std::uint32_t expected = kFree;
        if (slots[found].state.compare_exchange_strong(expected, StateOf(self, kTaken),
                                                       std::memory_order_acq_rel)) {
            return found;
        }
    }
}

StepTransferWorkers::Translated
StepTransferWorkers::Translate(const Handle(STEPControl_ActorRead)& actor,
                               const Handle(Transfer_TransientProcess)& process, const Item& item,
                               int ownFirst)
{
    Translated done;
    const int first = process->NbMapped() + 1;
    try {
        OCC_CATCH_SIGNALS
        actor->TransferShape(item.item, process, Standard_True, Standard_False);
    } catch (const Standard_Failure&) {
        done.portable = false; // the read translates it, and meets the fault itself
    }
    for (int index = first; index <= process->NbMapped(); ++index) {
        done.bound.emplace_back(index, process->MapItem(index));
    }
    done.portable = done.portable && !UsesEarlierBindings(process, item.item, ownFirst, first);
    return done;
}

std::string StepTransferWorkers::ResultText(const Handle(Transfer_TransientProcess)& process,
                                            const Item& item, const Translated& done)
{
    if (!done.portable) {
        return {};
    }
    // Entity numbers with their shapes; a null shape for a curve or surface the translation
    // keeps for the edges and faces that share it, which the read checks it has not made
    // itself but does not take over.
    const Handle(Interface_InterfaceModel) model = process->Model();
    std::vector<std::pair<std::int32_t, TopoDS_Shape>> bound;
    bool hasItem = false;
    for (const auto& [index, binder] : done.bound) {
        if (binder->DynamicType() == STANDARD_TYPE(Transfer_VoidBinder)) {
            continue; // a message, no result
        }
        const Handle(Standard_Transient)& entity = process->Mapped(index);
        const auto shape = Handle(TransferBRep_ShapeBinder)::DownCast(binder);
        const auto geometry = Handle(Transfer_SimpleBinderOfTransient)::DownCast(binder);
        if (!shape.IsNull() && !shape->Result().IsNull()) {
            hasItem = hasItem || entity == item.item;
            bound.emplace_back(model->Number(entity), shape->Result());
        } else if (!geometry.IsNull() && !geometry->Result().IsNull() &&
                   !geometry->Result()->IsKind(STANDARD_TYPE(TopoDS_HShape))) {
            bound.emplace_back(model->Number(entity), TopoDS_Shape());
        } else {
            return {};
        }
    }
    if (!hasItem) {
        return {};
    }
    std::ostringstream out(std::ios::binary);
    WriteRaw<std::int32_t>(out, static_cast<std::int32_t>(bound.size()));
    BRep_Builder builder;
    TopoDS_Compound shapes;
    builder.MakeCompound(shapes);
    std::int32_t count = 0;
    for (const auto& [number, shape] : bound) {
        WriteRaw<std::int32_t>(out, number);
        WriteRaw<std::int32_t>(out, shape.IsNull() ? -1 : count++);
        if (!shape.IsNull()) {
            builder.Add(shapes, shape);
        }
    }
    BinTools::Write(shapes, out);
    WriteAxes(out, shapes);
    return out.str();
}

void StepTransferWorkers::Bind(const Handle(StepBasic_ProductDefinition)& product,
                               const Handle(Transfer_TransientProcess)& process)
{
    const auto found = myItemsOfProduct.find(product.get());
    if (found == myItemsOfProduct.end()) {
        return;
    }
    Shared::Slot* slots = myShared->Slots();
    for (const size_t index : found->second) {
        myShared->readAt.store(static_cast<std::int64_t>(index), std::memory_order_relaxed);
        std::uint32_t state = kFree;
        if (slots[index].state.compare_exchange_strong(state, StateOf(0, kTaken),
                                                       std::memory_order_acq_rel)) {
            continue; // the read's own: it translates it as it comes to it
        }
        if (PhaseOf(state) == kTaken && OwnerOf(state) != 0) {
            state = AwaitItem(index, OwnerOf(state));
        }
        if (PhaseOf(state) != kDone) {
            continue;
        }
        Worker& worker = myWorkers[static_cast<size_t>(OwnerOf(state))];
        Result result;
        if (!LoadResult(worker, index, result)) {
            myFailure = "a translation worker's results cannot be read";
            Finish();
            throw Standard_Failure(myFailure.c_str());
        }
        worker.translated += BindResult(myItems[index], result, process) ? 1 : 0;
    }
}

std::uint32_t StepTransferWorkers::AwaitItem(size_t index, int owner)
{
    // A worker forked while another thread of the program held a lock that the translation
    // takes (OCCT's exception handlers share one) waits for it for ever. One item takes a
    // worker about as long as the read takes for one of its own, so a worker still at one
    // long after the read began is taken to be stuck: it is stopped, and the read translates
    // what it had not done itself.
    using Clock = std::chrono::steady_clock;
    Worker& worker = myWorkers[static_cast<size_t>(owner)];
    Shared::Slot& slot = myShared->Slots()[index];
    const Clock::time_point waiting = Clock::now();
    const Clock::duration patience = std::max<Clock::duration>(
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(LeastPatience())),
        4 * (waiting - myStarted));
    auto pause = std::chrono::microseconds(20);
    std::uint32_t state = 0;
    while (PhaseOf(state = slot.state.load(std::memory_order_acquire)) == kTaken) {
        if (!Alive(worker) &&
            PhaseOf(state = slot.state.load(std::memory_order_acquire)) == kTaken) {
            if (!myFailure.empty()) {
                Finish();
                throw Standard_Failure(myFailure.c_str());
            }
            state = StateOf(owner, kLeft); // it left without it: the read's
            break;
        }
        if (Clock::now() - waiting > patience) {
            Logger::Instance().Message(
                3,
                "STEP reader: a translation worker made no progress in %.0f s; the read "
                "translates what it had not done itself",
                std::chrono::duration<double>(Clock::now() - waiting).count());
            Stop(worker);
            state = StateOf(owner, kLeft);
            break;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min<decltype(pause)>(pause * 2, std::chrono::milliseconds(1));
    }
    myWaited += std::chrono::duration<double>(Clock::now() - waiting).count();
    return state;
}

bool StepTransferWorkers::Alive(Worker& worker)
{
    if (worker.pid <= 0) {
        return false;
    }
    int status = 0;
    const pid_t waited = ::waitpid(worker.pid, &status, WNOHANG);
    if (waited == 0 || (waited < 0 && errno == EINTR)) {
        return true;
    }
    WorkerProcesses::Remove(worker.pid);
    worker.pid = -1;
    std::string failure;
    if (waited < 0) {
        failure = "a translation worker was lost";
    } else if (WIFSIGNALED(status)) {
        failure = "a translation worker was killed by " + SignalName(WTERMSIG(status));
    } else if (WEXITSTATUS(status) != 0) {
        failure =
            "a translation worker failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
    }
    if (myFailure.empty()) {
        myFailure = failure;
    }
    return false;
}

bool StepTransferWorkers::LoadResult(const Worker& worker, size_t index, Result& result) const
{
    const Shared::Slot& slot = myShared->Slots()[index];
    std::string text(slot.length, '\0');
    if (worker.file < 0 || !ReadRange(worker.file, slot.offset, text)) {
        return false;
    }
    std::istringstream in(text, std::ios::binary);
    std::int32_t count = 0;
    if (!ReadRaw(in, count) || count < 0) {
        return false;
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> entries(static_cast<size_t>(count));
    for (auto& [number, shape] : entries) {
        if (!ReadRaw(in, number) || !ReadRaw(in, shape)) {
            return false;
        }
    }
    std::vector<TopoDS_Shape> shapes;
    try {
        OCC_CATCH_SIGNALS
        TopoDS_Shape all;
        BinTools::Read(all, in);
        if (!ReadAxes(in, all)) {
            return false;
        }
        for (TopoDS_Iterator it(all, Standard_False, Standard_False); it.More(); it.Next()) {
            shapes.push_back(it.Value());
        }
    } catch (const Standard_Failure&) {
        return false;
    }
    for (const auto& [number, shape] : entries) {
        if (shape < -1 || (shape >= 0 && static_cast<size_t>(shape) >= shapes.size())) {
            return false;
        }
        result.bound.emplace_back(number,
                                  shape < 0 ? TopoDS_Shape() : shapes[static_cast<size_t>(shape)]);
    }
    return true;
}

bool StepTransferWorkers::BindResult(const Item& item, const Result& result,
                                     const Handle(Transfer_TransientProcess)& process)
{
    // Translated already by another road, or sharing an entity with what was: the read
    // translates it where it comes to it, as it would have.
    const Handle(Interface_InterfaceModel) model = process->Model();
    if (process->IsBound(item.item)) {
        return false;
    }
    for (const auto& [number, shape] : result.bound) {
        if (number < 1 || number > model->NbEntities() || process->IsBound(model->Value(number))) {
            return false;
        }
    }
    for (const auto& [number, shape] : result.bound) {
        if (!shape.IsNull()) {
            process->Bind(model->Value(number), new TransferBRep_ShapeBinder(shape));
        }
    }
    return true;
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
}

std::string StepTransferWorkers::Finish()
{
    if (IsTwin()) {
        return {}; // the workers are the read's to stop
    }
    size_t translated = 0;
    for (size_t w = 1; w < myWorkers.size(); ++w) {
        Worker& worker = myWorkers[w];
        // Still at an item nobody wants, or about to leave: no longer needed.
        if (Alive(worker)) {
            Stop(worker);
        }
        if (worker.file >= 0) {
            ::close(worker.file);
            worker.file = -1;
        }
        translated += worker.translated;
    }
    if (!myWorkers.empty() && myFailure.empty()) {
        Logger::Instance().Message(1,
                                   "STEP reader: workers translated %zu of %zu solids and shells; "
                                   "the read waited %.2f s for them",
                                   translated, myItems.size(), myWaited);
    }
    myWorkers.clear();
    return myFailure;
}

StepTransferWorkers::~StepTransferWorkers()
{
    if (IsTwin()) {
        return;
    }
    Finish();
    if (myShared != nullptr) {
        ::munmap(myShared, mySharedBytes);
    }
}

} // namespace orvkit
