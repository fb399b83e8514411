#pragma once

#include "Common/Core/ParameterDict.h"
#include "Geometry/IO/StepFileParse.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <STEPCAFControl_Reader.hxx>

#include <memory>
#include <optional>
#include <string>

namespace orvkit {

class StepTessellation;

// STEP files to and from kernel documents. Reads keep assembly structure, names, colours,
// layers, validation properties and semantic GD&T, whose dimension values, limits and
// tolerances come in the document's length unit like the geometry, angles in degrees. Parts
// that live in files of their own are read from the files beside the one read. What a read
// leaves out is said in the document's readWarnings and logged: parts whose files are missing
// or unreadable, and, when nothing with a face or an edge was read, parts of tessellated
// geometry only (a file of those alone fails, and its failure says so).
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
//   to gain from more are translated in one process whatever it says.
struct XdeDocumentSTEP {
    static constexpr const char* CodePageKey = "CodePage";
    static constexpr const char* StockReaderKey = "StockReader";
    static constexpr const char* StockParserKey = "StockParser";
    static constexpr const char* TransferJobsKey = "TransferJobs";

    // Reads the file at the UTF-8 path into `impl`, replacing its content. False, with a log
    // line, when the file is missing, unreadable or the translator fails; `impl` is then empty.
    static bool Open(const std::string& path, XdeDocumentImpl& impl, ParameterDict* settings);
    // Sets the reader modes and translator parameters every read uses, from `settings` (may be
    // null); `scope` puts the parameters back. Tools that time OCCT's own reading against ours
    // configure it with this too. False when the "CodePage" setting names no code page OCCT
    // knows (the reader then keeps the earlier one).
    static bool ConfigureReader(STEPCAFControl_Reader& reader, StaticSettingsScope& scope,
                                ParameterDict* settings);
    // Writes `impl` as AP214 STEP, or AP242 when it holds PMI. False when the file cannot be
    // written; an existing file is then left as it was.
    static bool Save(const std::string& path, XdeDocumentImpl& impl, ParameterDict* settings);
    // Writes `impl` straight into `file` (no replacing), lengths in `unit`, a name the
    // translator takes ("MM", "IN"; LengthUnit::GetTranslatorName). Names, colours, layers,
    // validation properties and dimensions go with it. False when the translator fails.
    static bool Write(const std::string& file, XdeDocumentImpl& impl, const char* unit = "MM");

private:
    // The "TransferJobs" setting, with 0 or none made one per core.
    static int TransferJobs(ParameterDict* settings);
    // What the document needs after a successful transfer: values in its own units, datums'
    // faces, the warnings of what the file holds and the transfer left out, body colours on
    // their parts, the declared precision and validation properties.
    static void FinishRead(STEPCAFControl_Reader& reader, const std::string& path,
                           XdeDocumentImpl& impl, const StepTessellation* tessellation);
    // Puts the file's model into the reader's session: from `parse` when it took the file,
    // with OpenCASCADE's parser when it did not (a note in the log says why) or when there is
    // no parse. Nothing when the model is there; otherwise why not ("" for the parser's own
    // complaint). `parse` is emptied. The tessellated geometry of a file the parse took is read
    // from its records into `tessellation` first.
    static std::optional<std::string> ParseStep(STEPCAFControl_Reader& reader,
                                                const std::string& path,
                                                std::optional<StepFileParse>& parse,
                                                std::shared_ptr<StepTessellation>& tessellation);
};

} // namespace orvkit
