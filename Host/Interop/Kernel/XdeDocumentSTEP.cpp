#include "XdeDocumentSTEP.h"

#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/TranslatorWrite.h"
#include "Interop/Kernel/StepBodyNames.h"
#include "Interop/Kernel/StepMaterials.h"
#include "Interop/Kernel/StepPmiWrite.h"
#include "Interop/Kernel/StepTessellationWrite.h"
#include "Interop/Kernel/StepUserPropertiesWrite.h"
#include "Interop/Kernel/StepWriteFixes.h"
#include "Interop/Kernel/WriteEntityOrder.h"

#include <Precision.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <TDF_LabelSequence.hxx>
#include <XSControl_WorkSession.hxx>
#include <fmt/format.h>

#include <algorithm>

namespace orvkit {

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
