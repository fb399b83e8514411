#pragma once

#include <Interface_Graph.hxx>
#include <Standard_Transient.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepRepr_Representation.hxx>
#include <StepRepr_RepresentationItem.hxx>
#include <TColStd_HSequenceOfTransient.hxx>
#include <TopoDS_Shape.hxx>
#include <Transfer_TransientProcess.hxx>

#include <chrono>
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
// read only where that state was proven safe. Processes need no such proof: once the model is
// loaded, the read forks workers that share it copy-on-write. Each translates its share of the
// parts' solids and shells, exactly as the read would (the same units, the same repairs), and
// writes each result as binary BREP, with every entity its translation bound (the solid, its
// shells, faces, edges and vertices) and the sub-shape bound to it, into an anonymous memory
// file. When the read's own transfer comes to a part, it binds what the worker made to the
// same entities in its transfer process and finds them translated; the product, its
// placements, names, colours, layers, validation properties and dimensions are then read as
// they always are, so the document is the same as with one process.
//
// The read translates the first share itself, while the workers translate the others, and
// waits for a worker only when it reaches that worker's parts. A solid the read has already
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

    // Plans the shares of the products below `roots` (in the order the transfer will reach
    // them) and starts `jobs` - 1 workers. Null when one process does better: one job, a file
    // whose parts are too few or too small to pay for the workers, or a read that does not go
    // through the assembly actor.
    static std::unique_ptr<StepTransferWorkers>
    Start(const Handle(Transfer_TransientProcess)& process,
          const Handle(TColStd_HSequenceOfTransient)& roots, int jobs);

    // Before `product` is translated: binds the shapes the workers made of its solids and
    // shells, waiting for the worker that has them.
    void Bind(const Handle(StepBasic_ProductDefinition)& product,
              const Handle(Transfer_TransientProcess)& process);

    // Stops the workers whose parts were not wanted, reaps them all and returns why one
    // failed; empty when none did.
    std::string Finish();

private:
    struct Item {
        Handle(StepRepr_RepresentationItem) item;
        Handle(StepRepr_Representation) representation;
        int worker = 0; // 0: the read itself
        int index = 0;  // in its worker's share
    };
    struct Result {
        bool portable = false;
        std::vector<std::pair<int, TopoDS_Shape>> bound; // entity number, shape
    };
    struct Worker {
        pid_t pid = -1;
        int file = -1; // the memory file it writes its results into
        bool collected = false;
        size_t items = 0; // in its share
        std::vector<Result> results;
    };

    struct Translated;

    StepTransferWorkers() = default;
    // Lists the solids and shells worth a worker of the products below `roots`, each once, in
    // the order the transfer reaches them; returns the cost (faces) of each.
    std::vector<int> PlanItems(const Handle(TColStd_HSequenceOfTransient)& roots,
                               const Interface_Graph& graph, int level);
    // Gives the items to `shares` consecutive shares of about the same cost, the first the
    // read's own; returns the items of each share.
    std::vector<std::vector<size_t>> ShareOut(int shares, const std::vector<int>& costs,
                                              long long total);
    // Starts a worker for each share but the first; a share no process can be had for is left
    // to the read.
    void Fork(const Handle(Transfer_TransientProcess)& process,
              const std::vector<std::vector<size_t>>& work);
    // Waits for `worker` and reads its results; false, with myFailure set, when it failed. A
    // worker that takes far longer than the read took for its own share is stopped, and its
    // share left to the read.
    bool Collect(Worker& worker);
    // Waits for `worker` to end, with its wait status and waitpid's result; false when it was
    // stuck, and was stopped with its share left to the read.
    bool AwaitExit(Worker& worker, int& status, pid_t& waited);
    // Takes the worker's results from what it wrote; false when they cannot be read.
    static bool ReadResults(const std::string& text, Worker& worker);
    // Kills `worker` when it runs and reaps it.
    static void Stop(Worker& worker);
    // The worker's side: translates its share, writes the results and leaves.
    [[noreturn]] static void Work(const Handle(Transfer_TransientProcess)& process,
                                  const std::vector<Item>& items, const std::vector<size_t>& share,
                                  int file, pid_t parent);
    // The worker's translation of its share, item by item.
    static std::vector<Translated> TranslateShare(const Handle(Transfer_TransientProcess)& process,
                                                  const std::vector<Item>& items,
                                                  const std::vector<size_t>& share);
    // What the worker hands the read: for each item the entity numbers and shapes it bound, or
    // none when the read must translate it itself.
    static std::string ResultsText(const Handle(Transfer_TransientProcess)& process,
                                   const std::vector<Item>& items, const std::vector<size_t>& share,
                                   const std::vector<Translated>& done);

    std::vector<Item> myItems;
    std::unordered_map<const Standard_Transient*, std::vector<size_t>> myItemsOfProduct;
    std::vector<Worker> myWorkers; // [0] stands for the read itself
    std::chrono::steady_clock::time_point myStarted;
    std::string myFailure;
};

} // namespace orvkit
