#pragma once

#include "Geometry/IO/StepFileParse.h"

#include <Interface_Graph.hxx>
#include <STEPControl_ActorRead.hxx>
#include <Standard_Transient.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepRepr_Representation.hxx>
#include <StepRepr_RepresentationItem.hxx>
#include <TColStd_HSequenceOfTransient.hxx>
#include <TopoDS_Shape.hxx>
#include <Transfer_TransientProcess.hxx>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <sys/types.h>

namespace orvkit {

// Translates the exact geometry of a STEP file's parts on several cores.
//
// OpenCASCADE 7.6 keeps its translation's state in the process (the static parameters, the
// unit factors, the messenger, caches of its protocol libraries), so threads could share a
// read only where that state was proven safe. Processes need no such proof. Once the file is
// parsed, the read forks workers ("twins") that share its records, read-only, and load and
// plan the model themselves, from a heap of their own: a worker forked after the model was
// loaded would share it copy-on-write, and the first write to each of its pages, in the read
// as in the worker (every handle copied writes a count), would cost a page fault, so much that
// two processes did little more than one. Each twin checks that it planned what the read
// planned, translates parts' solids and shells exactly as the read would (the same units, the
// same repairs), and writes each result, as soon as it has it, as binary BREP with every
// entity its translation bound (the solid, its shells, faces, edges and vertices) and the
// sub-shape bound to it, into an anonymous memory file. The entity numbers are the file's, the
// same in every process. When the read's own transfer comes to a part a worker translated, it
// binds what the worker made to the same entities in its transfer process and finds them
// translated; the product, its placements, names, colours, layers, validation properties and
// dimensions are then read as they always are, so the document is the same as with one
// process.
//
// Who translates what is settled as the read goes, in memory the processes share: the read
// takes each solid it comes to that no worker has taken, and each worker takes the next one
// nobody has, from the start of the list on, keeping ahead of the read. The read
// does more than translate (it also makes the products, placements and document), so fixed
// shares would leave one side waiting for the other; taken this way, both cores stay busy to
// the end, and the read waits at most for the one solid a worker is translating. A worker that
// is late, or never comes (forked while another thread held a lock it needs), costs the read
// nothing: it only takes what the read has not reached. A solid the read has already
// translated by another road, or whose entities another result binds too (geometry shared
// between solids), is left to the read, which translates it where it would have.
class StepTransferWorkers {
public:
    ~StepTransferWorkers(); // kills and reaps the workers still running
    StepTransferWorkers(const StepTransferWorkers&) = delete;
    StepTransferWorkers& operator=(const StepTransferWorkers&) = delete;

    // The processes a read uses when its settings give none: what SetDefaultJobs set, else
    // one per core.
    static int DefaultJobs();
    // For every read of this process that is not given a number; 0: one per core.
    static void SetDefaultJobs(int jobs);

    // After the file is parsed, before its model is loaded: forks up to `jobs` - 1 workers
    // that load and translate it beside the read. Null when one process does better: one job,
    // a file with too few faces to pay for the workers, or too little room for another
    // model (WorkerProcesses::RoomMegabytes: the free memory, the program's limit). In a worker
    // this returns too, with IsTwin() true: the worker loads the model as the read does, then calls
    // Serve.
    static std::shared_ptr<StepTransferWorkers> Fork(const StepFileParse& parse, int jobs);

    // Whether this process is one of the workers.
    bool IsTwin() const { return mySelf != 0; }

    // The read's side, once the model is loaded: plans the solids and shells of the products
    // below `roots` (in the order the transfer will reach them) and lets the workers take
    // them. False, with the workers stopped, when one process does better: too few faces, or
    // null `roots` (a read that does not go through the assembly actor).
    bool Start(const Handle(Transfer_TransientProcess)& process,
               const Handle(TColStd_HSequenceOfTransient)& roots);

    // A worker's side: plans as Start does, checks that the read planned the same, translates
    // what it takes and leaves the process. Null `roots`: the read has nothing for it.
    [[noreturn]] void Serve(const Handle(Transfer_TransientProcess)& process,
                            const Handle(TColStd_HSequenceOfTransient)& roots);

    // Before `product` is translated: takes its solids and shells no worker has taken, and
    // binds the shapes the workers made of the others, waiting for one still at work.
    void Bind(const Handle(StepBasic_ProductDefinition)& product,
              const Handle(Transfer_TransientProcess)& process);

    // Stops the workers still running, reaps them all and returns why one failed; empty when
    // none did.
    std::string Finish();

private:
    struct Item {
        Handle(StepRepr_RepresentationItem) item;
        Handle(StepRepr_Representation) representation;
    };
    struct Result {
        std::vector<std::pair<int, TopoDS_Shape>> bound; // entity number, shape
    };
    struct Worker {
        pid_t pid = -1;
        int file = -1;         // the memory file it writes its results into
        size_t translated = 0; // solids and shells the read took from it
    };
    struct Shared; // what the read and the workers share: who has which item, where the read is
    struct Translated;

    StepTransferWorkers() = default;
    // Lists the solids and shells worth a worker of the products below `roots`, each once, in
    // the order the transfer reaches them; returns the cost (faces) of each.
    std::vector<int> PlanItems(const Handle(TColStd_HSequenceOfTransient)& roots,
                               const Interface_Graph& graph, int level);
    // Forks `count` workers; in a worker, stops at its own fork and returns.
    void ForkTwins(int count);
    // Plans the items below `roots`; false when they are not worth the workers.
    bool Plan(const Handle(Transfer_TransientProcess)& process,
              const Handle(TColStd_HSequenceOfTransient)& roots);
    // The plan in one number: the entity numbers of the items and their representations.
    std::uint64_t Signature(const Handle(Transfer_TransientProcess)& process) const;
    // Waits while `owner` translates item `index` and returns the item's state once it is
    // done. A worker that dies fails the read (it throws); one that takes far longer than the
    // read has taken so far is stopped, and the item left to the read.
    std::uint32_t AwaitItem(size_t index, int owner);
    // Whether the worker still runs; reaps it, and sets myFailure when it died abnormally.
    bool Alive(Worker& worker);
    // The results a worker wrote for one item; false when they cannot be read.
    bool LoadResult(const Worker& worker, size_t index, Result& result) const;
    // Binds what a worker made of `item`, unless the read bound one of its entities already.
    static bool BindResult(const Item& item, const Result& result,
                           const Handle(Transfer_TransientProcess)& process);
    // Kills `worker` when it runs and reaps it.
    static void Stop(Worker& worker);
    // The worker's side: takes items, translates and writes each, and leaves once none is
    // left.
    [[noreturn]] static void Work(const Handle(Transfer_TransientProcess)& process,
                                  const std::vector<Item>& items, Shared& shared, int self,
                                  int file);
    // The worker's loop: translates each item NextItem gives it, and writes each result into
    // `file` as it has it; false when the file takes no more.
    static bool TranslateTaken(const Handle(Transfer_TransientProcess)& process,
                               const std::vector<Item>& items, Shared& shared, int self, int file);
    // Takes the worker's next item, `lead` items beyond the read's next at the least; none
    // (-1) when nobody's is left.
    static size_t NextItem(Shared& shared, int self, size_t lead, size_t& cursor, size_t& back);
    // The worker's translation of one item; `ownFirst` is the first entity in the transfer
    // process that this worker bound.
    static Translated Translate(const Handle(STEPControl_ActorRead)& actor,
                                const Handle(Transfer_TransientProcess)& process, const Item& item,
                                int ownFirst);
    // What the worker hands the read for one item: the entity numbers and shapes it bound;
    // empty when the read must translate it itself.
    static std::string ResultText(const Handle(Transfer_TransientProcess)& process,
                                  const Item& item, const Translated& done);

    std::vector<Item> myItems;
    long long myFaces = 0; // of the items
    std::unordered_map<const Standard_Transient*, std::vector<size_t>> myItemsOfProduct;
    std::vector<Worker> myWorkers; // [0] stands for the read itself
    int mySelf = 0;                // in a worker, its number
    Shared* myShared = nullptr;
    size_t mySharedBytes = 0;
    std::chrono::steady_clock::time_point myStarted;
    double myWaited = 0.0; // seconds the read waited for workers
    std::string myFailure;
};

} // namespace orvkit
