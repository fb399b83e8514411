#include "XdeDocumentSTEP.h"

#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/StepModelLoad.h"
#include "Geometry/IO/TranslatorRead.h"
#include "Geometry/IO/TranslatorWrite.h"
#include "Interop/Kernel/StepAssemblyActor.h"
#include "Interop/Kernel/StepBodyNames.h"
#include "Interop/Kernel/StepDatumFeatures.h"
#include "Interop/Kernel/StepDimensionUnits.h"
#include "Interop/Kernel/StepExternFiles.h"
#include "Interop/Kernel/StepMaterials.h"
#include "Interop/Kernel/StepPmiWrite.h"
#include "Interop/Kernel/StepReadFixes.h"
#include "Interop/Kernel/StepTessellatedParts.h"
#include "Interop/Kernel/StepTessellation.h"
#include "Interop/Kernel/StepTessellationWrite.h"
#include "Interop/Kernel/StepTransferWorkers.h"
#include "Interop/Kernel/StepUnreadGdt.h"
#include "Interop/Kernel/StepUserProperties.h"
#include "Interop/Kernel/StepUserPropertiesWrite.h"
#include "Interop/Kernel/StepValidationProps.h"
#include "Interop/Kernel/StepWriteFixes.h"
#include "Interop/Kernel/WriteEntityOrder.h"

#include <Precision.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp_Explorer.hxx>
#include <XSControl_WorkSession.hxx>
#include <fmt/format.h>

#include <XSControl_TransferReader.hxx>
#include <XSControl_WorkSession.hxx>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace orvkit {

namespace {

// Whether any shape of the document has a face or an edge: a read that gave neither has read
// nothing a user can see.
bool HoldsFaceOrEdge(const XdeDocumentImpl& impl)
{
    for (const TDF_Label& label : impl.freeShapes) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
        if (TopExp_Explorer(shape, TopAbs_FACE).More() ||
            TopExp_Explorer(shape, TopAbs_EDGE).More()) {
            return true;
        }
    }
    return false;
}

Handle(StepData_StepModel) ModelOf(const STEPCAFControl_Reader& reader)
{
    return Handle(StepData_StepModel)::DownCast(reader.Reader().Model());
}

// What the file holds that the transfer left out: parts whose files are not there, tessellated
// wires, points and Bezier patches, whatever else was read, and tessellated parts when nothing was
// (read with OpenCASCADE's parser, which keeps no records to read them from).
std::vector<std::string> FindUnread(const STEPCAFControl_Reader& reader, const std::string& path,
                                    const XdeDocumentImpl& impl,
                                    const StepTessellation* tessellation)
{
    std::vector<std::string> warnings = StepExternFiles::Find(reader).Describe();
    if (tessellation != nullptr && !tessellation->Unread().empty()) {
        warnings.push_back(fmt::format("tessellated items of these kinds are not read: {}",
                                       ListNames(tessellation->Unread())));
    }
    if (!HoldsFaceOrEdge(impl)) {
        if (std::string tessellated = StepTessellatedParts::Find(path, ModelOf(reader)).Describe();
            !tessellated.empty()) {
            warnings.push_back(std::move(tessellated));
        }
    }
    return warnings;
}

// `path` made absolute. The transfer looks for the files of external parts in the folder of the
// path the session says it loaded when that path is absolute, and in the current folder when
// it is not; the parts of "../asm.stp" are beside it, not in the current folder.
std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

} // namespace

bool XdeDocumentSTEP::ConfigureReader(STEPCAFControl_Reader& reader, StaticSettingsScope& scope,
                                      ParameterDict* settings)
{
    SetStepReadDefaults(scope);
    scope.SetInteger("read.step.constructivegeom.relationship", 0);
    const std::string codePage = settings != nullptr
                                     ? settings->GetString(XdeDocumentSTEP::CodePageKey, "UTF8")
                                     : std::string("UTF8");
    const bool knownCodePage = scope.SetText("read.step.codepage", codePage.c_str());

    reader.SetColorMode(Standard_True);
    reader.SetNameMode(Standard_True);
    reader.SetLayerMode(Standard_True);
    reader.SetPropsMode(Standard_True);
    reader.SetGDTMode(Standard_True);
    reader.SetSHUOMode(Standard_True);
    // StepMaterials reads them after the transfer.
    reader.SetMatMode(Standard_False);
    reader.SetViewMode(Standard_True);
    return knownCodePage;
}

int XdeDocumentSTEP::TransferJobs(ParameterDict* settings)
{
    const int given =
        settings != nullptr ? ParameterCast::Cast(settings->Find(TransferJobsKey), 0) : 0;
    return given > 0 ? given : StepTransferWorkers::DefaultJobs();
}

bool XdeDocumentSTEP::Open(const std::string& path, XdeDocumentImpl& impl, ParameterDict* settings)
{
    InstallOcctServices();
    const bool stockParser =
        settings != nullptr && ParameterCast::Cast(settings->Find(StockParserKey), false);
    // Parsed before the lock is taken, so that other reads translate meanwhile.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    std::optional<StepFileParse> parse;
    if (!stockParser && !LoadFailure::CheckFile(path)) {
        parse.emplace(StepFileParse::Read(path));
    }
    ReadHooks<STEPCAFControl_Reader> hooks;
    hooks.parsedBeforeSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::shared_ptr<StepTessellation> tessellation;
    hooks.parse = [&](STEPCAFControl_Reader& reader) {
        return ParseStep(reader, path, parse, tessellation);
    };
    const bool stockActor =
        settings != nullptr && ParameterCast::Cast(settings->Find(StockReaderKey), false);
    const std::string absolutePath = AbsolutePath(path);
    const int jobs = TransferJobs(settings);
    std::shared_ptr<StepTransferWorkers> workers;
    hooks.beforeTransfer = [stockActor, jobs, &absolutePath, &tessellation,
                            &workers](STEPCAFControl_Reader& parsed) {
        STEPControl_Reader& reader = parsed.ChangeReader();
        reader.WS()->SetLoadedFile(absolutePath.c_str());
        if (!stockActor) {
            const Handle(StepAssemblyActor) actor =
                StepAssemblyActor::Install(reader, tessellation);
            if (jobs > 1 && StepAssemblyActor::TakesAssembliesOf(ModelOf(parsed))) {
                Handle(TColStd_HSequenceOfTransient) roots = new TColStd_HSequenceOfTransient;
                for (int i = 1; i <= reader.NbRootsForTransfer(); ++i) {
                    roots->Append(reader.RootForTransfer(i));
                }
                workers = StepTransferWorkers::Start(
                    reader.WS()->TransferReader()->TransientProcess(), roots, jobs);
                actor->SetWorkers(workers);
            }
        }
        return std::string();
    };
    hooks.afterTransfer = [&workers](STEPCAFControl_Reader&) {
        return workers ? workers->Finish() : std::string();
    };

    // Held until the reader is gone: its construction registers the STEP controller, and the
    // parameters set below must stay as they are until the transfer is done.
    const TranslatorLock lock;
    STEPCAFControl_Reader reader; // registers the STEP parameters that ConfigureReader sets
    StaticSettingsScope scope;
    if (!ConfigureReader(reader, scope, settings)) {
        // Read with another code page, the names would come out wrong without a word.
        const std::string codePage = settings->GetString(XdeDocumentSTEP::CodePageKey, "");
        return FailLoad(impl,
                        {LoadFailureInvalidSetting, "STEP", "unknown code page '" + codePage + "'"},
                        "Cannot read file: " + path + " (unknown code page '" + codePage + "')");
    }
    if (!ReadIntoDocument(reader, path, impl, "STEP", hooks)) {
        // A file of tessellated parts only gives OCCT no shape at all: the failure says why.
        if (impl.failure.kind == LoadFailureNothingTransferable) {
            const std::string tessellated =
                StepTessellatedParts::Find(path, ModelOf(reader)).Describe();
            if (!tessellated.empty()) {
                impl.failure.detail = tessellated;
                LoadFailure::Record(impl.failure);
                Logger::Instance().Message(4, "STEP reader: %s: %s", path.c_str(),
                                           tessellated.c_str());
            }
        }
        return false;
    }
    FinishRead(reader, path, impl, tessellation.get());
    return true;
}

void XdeDocumentSTEP::FinishRead(STEPCAFControl_Reader& reader, const std::string& path,
                                 XdeDocumentImpl& impl, const StepTessellation* tessellation)
{
    // The reader leaves some dimension values in the file's unit while it converts the rest
    // and the geometry; the document keeps all of them in its own.
    UnifyStepDimensionUnits(reader.ChangeReader().WS(), impl);
    // The reader finds a datum's faces through one kind of usage only; files also use the
    // general one.
    LinkStepDatumFeatures(reader.ChangeReader().WS(), impl);
    impl.readWarnings = FindUnread(reader, path, impl, tessellation);
    for (std::string& warning : FindUnreadStepGdt(reader.ChangeReader().WS(), impl)) {
        impl.readWarnings.push_back(std::move(warning));
    }
    for (std::string& warning : StepMaterials::Read(reader, impl)) {
        impl.readWarnings.push_back(std::move(warning));
    }
    for (std::string& warning : ReadStepUserProperties(reader, impl)) {
        impl.readWarnings.push_back(std::move(warning));
    }
    for (const std::string& warning : impl.readWarnings) {
        Logger::Instance().Message(3, "STEP reader: %s: %s", path.c_str(), warning.c_str());
    }
    StepReadFixes::LiftBodyColours(impl);
    StepReadFixes::SeparateCommonDatumModifiers(impl);
    ReadStepBodyNames(reader, impl);
    impl.declaredPrecision = StepReadFixes::DeclaredPrecision(ModelOf(reader));
    ReadStepValidationProps(reader, impl);
}

std::optional<std::string>
XdeDocumentSTEP::ParseStep(STEPCAFControl_Reader& reader, const std::string& path,
                           std::optional<StepFileParse>& parse,
                           std::shared_ptr<StepTessellation>& tessellation)
{
    if (parse && parse->GetOutcome() == StepFileParse::Refused) {
        return parse->GetReason();
    }
    if (parse && parse->GetOutcome() == StepFileParse::Parsed) {
        std::string refusal;
        tessellation = StepTessellation::Collect(*parse, refusal);
        if (!refusal.empty()) {
            return refusal;
        }
    }
    if (parse && parse->GetOutcome() == StepFileParse::Parsed &&
        LoadStepModel(*parse, reader.ChangeReader().WS(), path)) {
        parse.reset();
        if (tessellation) {
            // The stand-ins join the model: its graph, and the transfer's copy of it, are made
            // again.
            tessellation->Substitute(ModelOf(reader));
            const Handle(XSControl_WorkSession)& session = reader.ChangeReader().WS();
            session->ComputeGraph(Standard_True);
            session->TransferReader()->SetGraph(session->HGraph());
        }
        return std::nullopt;
    }
    if (parse) {
        Logger::Instance().Message(2, "STEP reader: %s is read with OpenCASCADE's parser (%s)",
                                   path.c_str(), parse->GetReason().c_str());
        parse.reset();
    }
    if (reader.ReadFile(path.c_str()) == IFSelect_RetDone) {
        return std::nullopt;
    }
    return std::string();
}

bool XdeDocumentSTEP::Write(const std::string& file, XdeDocumentImpl& impl, const char* unit)
{
    const TranslatorLock lock;
    StaticSettingsScope scope;
    // Semantic dimensions, tolerances and datums only exist in AP242 (OpenCASCADE fails to
    // write a tolerance of its own kind as AP214); plain assemblies stay AP214 for older
    // readers. The schema is chosen before the transfer, which builds its entities for it. The
    // document's lengths are millimetres.
    TDF_LabelSequence dimensions;
    if (!impl.dimTolTool.IsNull()) {
        // Each call clears the list it fills.
        TDF_LabelSequence tolerances;
        TDF_LabelSequence datums;
        impl.dimTolTool->GetDimensionLabels(dimensions);
        impl.dimTolTool->GetGeomToleranceLabels(tolerances);
        impl.dimTolTool->GetDatumLabels(datums);
        dimensions.Append(tolerances);
        dimensions.Append(datums);
    }
    // Parts made of triangles are written as AP242 tessellated geometry, after OCCT's part.
    StepTessellationWrite tessellated(impl);
    const char* fileUnit = unit != nullptr ? unit : "MM";
    PrepareStepWrite(scope, {"MM", fileUnit},
                     dimensions.IsEmpty() && tessellated.Empty() ? "AP214IS" : "AP242DIS");
    scope.SetInteger("write.step.assembly", 1);
    // A model read from STEP declares the precision its file declared, which is the one its
    // shapes were repaired to: declared finer, a reader splits edges the first read had
    // joined. No shape is finer than OpenCASCADE's confusion distance, whatever a file declares
    // (some declare 1e-17 m): a reader asked to repair to less rebuilds faces and edges the
    // first read kept. Otherwise OpenCASCADE's own estimate from the shapes' tolerances.
    if (impl.declaredPrecision > 0.0) {
        const double precision = std::max(impl.declaredPrecision, Precision::Confusion());
        scope.SetInteger("write.precision.mode", 2);
        scope.SetText("write.precision.val", fmt::format("{}", precision).c_str());
    }
    const StepPmiWrite pmi(impl);
    STEPCAFControl_Writer writer;
    writer.SetColorMode(Standard_True);
    writer.SetNameMode(Standard_True);
    writer.SetLayerMode(Standard_True);
    writer.SetDimTolMode(Standard_True);
    writer.SetPropsMode(Standard_True);
    writer.SetSHUOMode(Standard_True);
    writer.SetMaterialMode(Standard_False); // StepMaterials writes them, in a unit readers know
    ColourWholeBodies(impl);
    if (!writer.Transfer(impl.document, STEPControl_AsIs)) {
        return false;
    }
    FinishStepTransfer(writer.ChangeWriter());
    const Handle(XSControl_WorkSession)& session = writer.ChangeWriter().WS();
    WriteEntityOrder::SortStepPresentations(session->Model());
    StepWriteFixes::RepairModel(session, impl);
    StepMaterials::Write(session, impl);
    WriteStepBodyNames(session, impl);
    // The translator's unit names are the table's names in capitals.
    const double metres = LengthUnit::GetMetres(fileUnit);
    const double millimetres = metres > 0.0 ? metres * 1000.0 : 1.0;
    pmi.Complete(session, millimetres);
    WriteStepUserProperties(session, impl);
    tessellated.FindRepresentations(session);
    // An error status with the file written whole means that some entity's check failed while
    // it was sent (OpenCASCADE 7.6 flags a few of its own AP242 tolerance entities so); the
    // file is complete, and read back it gives the same dimensions. A failure of the file
    // itself is a stop or a fail.
    const IFSelect_ReturnStatus status = writer.Write(file.c_str());
    if (status != IFSelect_RetDone && status != IFSelect_RetError) {
        return false;
    }
    if (tessellated.Empty()) {
        return true;
    }
    const std::string reason = tessellated.AppendTo(file, session, millimetres);
    if (!reason.empty()) {
        Logger::Instance().Message(3, "STEP writer: %s: %s", file.c_str(), reason.c_str());
    }
    return reason.empty();
}

bool XdeDocumentSTEP::Save(const std::string& path, XdeDocumentImpl& impl, ParameterDict*)
{
    InstallOcctServices();
    if (impl.document.IsNull()) {
        return false;
    }
    return WriteReplacing(path, "STEP",
                          [&](const std::string& temporary) { return Write(temporary, impl); });
}

} // namespace orvkit
