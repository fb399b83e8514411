#include "StepModelReader.h"

#include "Geometry/IO/StepModelLoad.h"
#include "Geometry/IO/TranslatorRead.h"
#include "Interop/Kernel/StepAssemblyActor.h"
#include "Interop/Kernel/StepBodyNames.h"
#include "Interop/Kernel/StepDatumFeatures.h"
#include "Interop/Kernel/StepDimensionUnits.h"
#include "Interop/Kernel/StepExternFiles.h"
#include "Interop/Kernel/StepMaterials.h"
#include "Interop/Kernel/StepReadFixes.h"
#include "Interop/Kernel/StepTessellatedParts.h"
#include "Interop/Kernel/StepTessellation.h"
#include "Interop/Kernel/StepTransferWorkers.h"
#include "Interop/Kernel/StepUnreadGdt.h"
#include "Interop/Kernel/StepUserProperties.h"
#include "Interop/Kernel/StepValidationProps.h"
#include "Interop/Kernel/XcafDocumentRead.h"

#include <TopExp_Explorer.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_WorkSession.hxx>
#include <fmt/format.h>

#include <chrono>
#include <filesystem>

#include <unistd.h>

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

// `path` made absolute. The transfer looks for the files of external parts in the folder of the
// path the session says it loaded when that path is absolute, and in the current folder when
// it is not; the parts of "../asm.stp" are beside it, not in the current folder.
std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

// The "TransferJobs" setting, with 0 or none made one per core.
int TransferJobs(ParameterDict* settings)
{
    const int given = settings != nullptr
                          ? ParameterCast::Cast(settings->Find(StepModelReader::TransferJobsKey), 0)
                          : 0;
    return given > 0 ? given : StepTransferWorkers::DefaultJobs();
}

bool IsSet(ParameterDict* settings, const char* key)
{
    return settings != nullptr && ParameterCast::Cast(settings->Find(key), false);
}

} // namespace

bool StepModelReader::ConfigureReader(STEPCAFControl_Reader& reader, StaticSettingsScope& scope,
                                      ParameterDict* settings)
{
    SetStepReadDefaults(scope);
    scope.SetInteger("read.step.constructivegeom.relationship", 0);
    const std::string codePage =
        settings != nullptr ? settings->GetString(CodePageKey, "UTF8") : std::string("UTF8");
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

ModelReadOutcome StepModelReader::Read(const std::string& path, XdeDocumentImpl& impl,
                                       ParameterDict* settings) const
{
    Steps steps;
    steps.path = path;
    Prepare(steps, settings);
    if (steps.workers && steps.workers->IsTwin()) {
        Twin(steps, settings);
    }
    return Translate(steps, impl, settings);
}

void StepModelReader::Prepare(Steps& steps, ParameterDict* settings)
{
    steps.stockParser = IsSet(settings, StockParserKey);
    steps.stockActor = IsSet(settings, StockReaderKey);
    steps.jobs = TransferJobs(settings);
    // Parsed before the lock is taken, so that other reads translate meanwhile.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    if (!steps.stockParser && !LoadFailure::CheckFile(steps.path)) {
        steps.parse.emplace(StepFileParse::Read(steps.path));
    }
    steps.parsedSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    // The workers share the records and load the model themselves, as the read does.
    if (steps.parse && !steps.stockActor) {
        steps.workers = StepTransferWorkers::Fork(*steps.parse, steps.jobs);
    }
}

void StepModelReader::Twin(Steps& steps, ParameterDict* settings)
{
    // The read's own steps up to its transfer, where PrepareTransfer has the worker serve.
    // It takes no translator lock: the worker has no other thread, and another thread of the
    // read may have held the lock when it forked.
    try {
        STEPCAFControl_Reader reader;
        StaticSettingsScope scope;
        if (ConfigureReader(reader, scope, settings) && !LoadModel(reader, steps)) {
            PrepareTransfer(reader, steps);
        }
    } catch (...) {
    }
    ::_exit(0);
}

ModelReadOutcome StepModelReader::Translate(Steps& steps, XdeDocumentImpl& impl,
                                            ParameterDict* settings)
{
    ReadHooks<STEPCAFControl_Reader> hooks;
    hooks.parsedBeforeSeconds = steps.parsedSeconds;
    hooks.parse = [&steps](STEPCAFControl_Reader& reader) { return LoadModel(reader, steps); };
    hooks.beforeTransfer = [&steps](STEPCAFControl_Reader& reader) {
        PrepareTransfer(reader, steps);
        return std::string();
    };
    hooks.afterTransfer = [&steps](STEPCAFControl_Reader&) {
        return steps.workers ? steps.workers->Finish() : std::string();
    };
    // Held until the reader is gone: its construction registers the STEP controller, and the
    // parameters set below must stay as they are until the transfer is done.
    const TranslatorLock lock;
    STEPCAFControl_Reader reader; // registers the STEP parameters that ConfigureReader sets
    StaticSettingsScope scope;
    if (!ConfigureReader(reader, scope, settings)) {
        // Read with another code page, the names would come out wrong without a word.
        const std::string codePage = settings->GetString(CodePageKey, "");
        return {{LoadFailureInvalidSetting, "STEP", "unknown code page '" + codePage + "'"},
                "Cannot read file: " + steps.path + " (unknown code page '" + codePage + "')"};
    }
    const ModelReadOutcome outcome = ReadIntoDocument(reader, steps.path, impl, "STEP", hooks);
    if (outcome.GetFailure().kind == LoadFailureNothingTransferable) {
        // A file of tessellated parts only gives OCCT no shape at all: the failure says why.
        if (const std::string tessellated = DescribeTessellatedParts(reader, steps);
            !tessellated.empty()) {
            return outcome.Explained(tessellated,
                                     "STEP reader: " + steps.path + ": " + tessellated);
        }
    }
    if (outcome) {
        Finish(reader, steps, impl);
    }
    return outcome;
}

std::optional<std::string> StepModelReader::LoadModel(STEPCAFControl_Reader& reader, Steps& steps)
{
    std::optional<StepFileParse>& parse = steps.parse;
    if (parse && parse->GetOutcome() == StepFileParse::Refused) {
        return parse->GetReason();
    }
    const bool parsed = parse && parse->GetOutcome() == StepFileParse::Parsed;
    if (parse) {
        // Read before the tessellated geometry is collected and the model loaded, which change
        // and free the records.
        steps.tessellatedDefinitions =
            parsed ? StepTessellatedParts::ReadDefinitions(*parse) : std::unordered_set<int>();
    }
    if (parsed) {
        std::string refusal;
        steps.tessellation = StepTessellation::Collect(*parse, refusal);
        if (!refusal.empty()) {
            return refusal;
        }
    }
    if (parsed && LoadStepModel(*parse, reader.ChangeReader().WS(), steps.path)) {
        parse.reset();
        if (steps.tessellation) {
            // The stand-ins join the model: its graph, and the transfer's copy of it, are made
            // again.
            steps.tessellation->Substitute(ModelOf(reader));
            const Handle(XSControl_WorkSession)& session = reader.ChangeReader().WS();
            session->ComputeGraph(Standard_True);
            session->TransferReader()->SetGraph(session->HGraph());
        }
        return std::nullopt;
    }
    if (parse) {
        Logger::Instance().Message(2, "STEP reader: %s is read with OpenCASCADE's parser (%s)",
                                   steps.path.c_str(), parse->GetReason().c_str());
        parse.reset();
    }
    if (reader.ReadFile(steps.path.c_str()) == IFSelect_RetDone) {
        return std::nullopt;
    }
    return std::string();
}

void StepModelReader::PrepareTransfer(STEPCAFControl_Reader& parsed, Steps& steps)
{
    STEPControl_Reader& reader = parsed.ChangeReader();
    reader.WS()->SetLoadedFile(AbsolutePath(steps.path).c_str());
    if (steps.stockActor) {
        return;
    }
    const Handle(StepAssemblyActor) actor = StepAssemblyActor::Install(reader, steps.tessellation);
    if (!steps.workers) {
        return;
    }
    const Handle(Transfer_TransientProcess) process =
        reader.WS()->TransferReader()->TransientProcess();
    Handle(TColStd_HSequenceOfTransient) roots;
    if (StepAssemblyActor::TakesAssembliesOf(ModelOf(parsed))) {
        roots = new TColStd_HSequenceOfTransient;
        for (int i = 1; i <= reader.NbRootsForTransfer(); ++i) {
            roots->Append(reader.RootForTransfer(i));
        }
    }
    if (steps.workers->IsTwin()) {
        steps.workers->Serve(process, roots);
    }
    if (steps.workers->Start(process, roots)) {
        actor->SetWorkers(steps.workers);
    } else {
        steps.workers.reset();
    }
}

std::string StepModelReader::DescribeTessellatedParts(const STEPCAFControl_Reader& reader,
                                                      Steps& steps)
{
    const Handle(StepData_StepModel) model = ModelOf(reader);
    if (!steps.tessellatedDefinitions) {
        // OpenCASCADE's parser read the file, as the settings asked, and keeps no records: the
        // program's parser reads them now, only when the model holds tessellated shapes.
        steps.tessellatedDefinitions.emplace();
        if (StepTessellatedParts::CountItems(model) > 0) {
            const StepFileParse records = StepFileParse::Read(steps.path);
            if (records.GetOutcome() == StepFileParse::Parsed) {
                *steps.tessellatedDefinitions = StepTessellatedParts::ReadDefinitions(records);
            }
        }
    }
    return StepTessellatedParts::Find(model, *steps.tessellatedDefinitions).Describe();
}

void StepModelReader::Finish(STEPCAFControl_Reader& reader, Steps& steps, XdeDocumentImpl& impl)
{
    const Handle(XSControl_WorkSession)& session = reader.ChangeReader().WS();
    // The reader leaves some dimension values in the file's unit while it converts the rest
    // and the geometry; the document keeps all of them in its own.
    UnifyStepDimensionUnits(session, impl);
    // The reader finds a datum's faces through one kind of usage only; files also use the
    // general one.
    LinkStepDatumFeatures(session, impl);
    // What the file holds that the transfer left out: parts whose files are not there,
    // tessellated wires, points and Bezier patches, whatever else was read, and tessellated
    // parts when nothing was (read with OpenCASCADE's parser, which the program's tessellated
    // geometry is not read from).
    impl.readWarnings = StepExternFiles::Find(reader).Describe();
    if (steps.tessellation != nullptr && !steps.tessellation->Unread().empty()) {
        impl.readWarnings.push_back(fmt::format("tessellated items of these kinds are not read: {}",
                                                ListNames(steps.tessellation->Unread())));
    }
    if (!HoldsFaceOrEdge(impl)) {
        if (std::string tessellated = DescribeTessellatedParts(reader, steps);
            !tessellated.empty()) {
            impl.readWarnings.push_back(std::move(tessellated));
        }
    }
    for (std::vector<std::string> more :
         {FindUnreadStepGdt(session, impl), StepMaterials::Read(reader, impl),
          ReadStepUserProperties(reader, impl)}) {
        impl.readWarnings.insert(impl.readWarnings.end(), more.begin(), more.end());
    }
    for (const std::string& warning : impl.readWarnings) {
        Logger::Instance().Message(3, "STEP reader: %s: %s", steps.path.c_str(), warning.c_str());
    }
    StepReadFixes::LiftBodyColours(impl);
    StepReadFixes::SeparateCommonDatumModifiers(impl);
    ReadStepBodyNames(reader, impl);
    impl.declaredPrecision = StepReadFixes::DeclaredPrecision(ModelOf(reader));
    ReadStepValidationProps(reader, impl);
}

} // namespace orvkit
