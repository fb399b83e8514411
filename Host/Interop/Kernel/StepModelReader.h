#pragma once

#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/StepFileParse.h"
#include "Interop/Kernel/ModelFileReader.h"

#include <STEPCAFControl_Reader.hxx>

#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

namespace orvkit {

class StepTessellation;
class StepTransferWorkers;

// Reads STEP files into kernel documents, keeping assembly structure, names, colours, layers,
// validation properties and semantic GD&T, whose dimension values, limits and tolerances come in
// the document's length unit like the geometry, angles in degrees. Parts that live in files of
// their own are read from the files beside the one read. What a read leaves out is said in the
// document's readWarnings and logged: parts whose files are missing or unreadable, and, when
// nothing with a face or an edge was read, parts of tessellated geometry only (a file of those
// alone fails, and its failure says so).
//
// One read is a row of steps over one parse: the file is parsed (StepFileParse, before the
// translator lock is taken), the parse is loaded into the session as its model, the model is
// translated, and the steps after look at that model and session: the parts in files of their
// own, the parts of tessellated geometry, units, datums, materials, properties. A model that
// OpenCASCADE's parser read because the settings asked for it comes with no records: only then,
// and only when it holds tessellated shapes, are the records parsed for its tessellated parts.
//
// Settings keys read from the dictionary (absent keys take the defaults):
//   "CodePage" (text, default "UTF8"): encoding of 8-bit names in files that do not say, one of
//   OpenCASCADE's code page names ("CP1251", "iso8859-5", "SJIS", ...).
//   "StockParser" (flag, default false): parse with OpenCASCADE's own STEP parser instead of
//   StepFileParse. Both give the same model; OpenCASCADE's takes about three times as long,
//   keeps process-wide state and parses one file at a time.
//   "StockReader" (flag, default false): translate with OpenCASCADE's own STEP actor instead
//   of StepAssemblyActor. Both give the same document; the stock actor's time grows with the
//   square of the placements of a part, and the setting is there to compare the two or to
//   step around a difference should one ever be found.
//   "TransferJobs" (integer, default 0: one per core): how many processes translate the parts'
//   geometry (StepTransferWorkers); 1 translates it in this process alone. Files too small
//   to gain from more are translated in one process whatever it says; each other process
//   loads a model of its own, and only as many are started as the free memory holds.
class StepModelReader : public ModelFileReader {
public:
    static constexpr const char* CodePageKey = "CodePage";
    static constexpr const char* StockReaderKey = "StockReader";
    static constexpr const char* StockParserKey = "StockParser";
    static constexpr const char* TransferJobsKey = "TransferJobs";

    // Sets the reader modes and translator parameters every read uses, from `settings` (may be
    // null); `scope` puts the parameters back. Tools that time OCCT's own reading against ours
    // configure it with this too. False when the "CodePage" setting names no code page OCCT
    // knows (the reader then keeps the earlier one).
    static bool ConfigureReader(STEPCAFControl_Reader& reader, StaticSettingsScope& scope,
                                ParameterDict* settings);

    ModelReadOutcome Read(const std::string& path, XdeDocumentImpl& impl,
                          ParameterDict* settings) const override;

private:
    // What the steps of one read share.
    struct Steps {
        std::string path;
        bool stockParser = false;
        bool stockActor = false;
        int jobs = 1;
        // The program's own parse, until its model is loaded.
        std::optional<StepFileParse> parse;
        double parsedSeconds = 0;
        std::shared_ptr<StepTessellation> tessellation;
        std::shared_ptr<StepTransferWorkers> workers;
        // The shape definitions of tessellated parts, read from the parse's records; none when
        // the program's parser did not run.
        std::optional<std::unordered_set<int>> tessellatedDefinitions;
    };

    // The parse, before the lock; how the translation is to be made; the workers forked.
    static void Prepare(Steps& steps, ParameterDict* settings);
    // In a worker the read forked (StepTransferWorkers): loads the model as the read does and
    // serves the read; never returns.
    [[noreturn]] static void Twin(Steps& steps, ParameterDict* settings);
    // The read under the lock, from the reader's configuration to the steps after the transfer.
    static ModelReadOutcome Translate(Steps& steps, XdeDocumentImpl& impl, ParameterDict* settings);
    // Puts the file's model into the reader's session: from the parse when it took the file,
    // with OpenCASCADE's parser when it did not (a note in the log says why) or when there is
    // no parse. Nothing when the model is there; otherwise why not ("" for the parser's own
    // complaint). The parse is emptied. The tessellated geometry and the tessellated parts of a
    // file the parse took are read from its records first.
    static std::optional<std::string> LoadModel(STEPCAFControl_Reader& reader, Steps& steps);
    // Installs the program's actor and, for a large assembly, the processes that translate its
    // parts.
    static void PrepareTransfer(STEPCAFControl_Reader& reader, Steps& steps);
    // The parts of tessellated geometry only in the translated model.
    static std::string DescribeTessellatedParts(const STEPCAFControl_Reader& reader, Steps& steps);
    // What the document needs after a successful transfer: values in its own units, datums'
    // faces, the warnings of what the file holds and the transfer left out, body colours on
    // their parts, the declared precision and validation properties.
    static void Finish(STEPCAFControl_Reader& reader, Steps& steps, XdeDocumentImpl& impl);
};

} // namespace orvkit
