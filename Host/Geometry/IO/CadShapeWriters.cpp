#include "CadShapeWriters.h"

#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLock.h"

#include <BRepTools.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <IGESControl_Controller.hxx>
#include <IGESControl_Writer.hxx>
#include <IGESData_GlobalSection.hxx>
#include <IGESData_IGESModel.hxx>
#include <STEPControl_Controller.hxx>
#include <STEPControl_Writer.hxx>

namespace orvkit {

namespace {

const char* const kUnknownUnit = "unknown model unit '";
const char* const kStepNotTransferred = "the STEP translator cannot transfer the shape";
const char* const kStepNotWritten = "the STEP translator cannot write the file";
const char* const kIgesNotTransferred = "the IGES translator cannot transfer the shape";
const char* const kIgesNotWritten = "the IGES translator cannot write the file";
const char* const kBrepNotWritten = "the BREP file cannot be written";

// Makes the translator take the shape's lengths in the settings' model unit, and gives the
// unit's size in millimetres. Zero, with the reason, when the unit is not one the translators
// know.
double SetModelUnit(StaticSettingsScope& scope, ParameterDict* settings, std::string& reason)
{
    const std::string unit = ImportSettingsModel(settings).GetModelUnit();
    const char* translatorUnit = LengthUnit::GetTranslatorName(unit);
    if (translatorUnit == nullptr) {
        reason = kUnknownUnit + unit + "'";
        return 0.0;
    }
    scope.SetText("xstep.cascade.unit", translatorUnit);
    return LengthUnit::GetMetres(unit) * 1000.0;
}

} // namespace

std::string StepShapeWriter::GetFormatName() const
{
    return "STEP Files";
}

std::vector<std::string> StepShapeWriter::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::STEP).extensions;
}

bool StepShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path,
                            ParameterDict* settings, std::string& reason) const
{
    // The parameters must be registered before they are set, and set before the writer is
    // made: the writer fixes the schema of its model when it is constructed. All of it under
    // the translator lock, until the writer is gone.
    const TranslatorLock lock;
    STEPControl_Controller::Init();
    StaticSettingsScope scope;
    if (SetModelUnit(scope, settings, reason) == 0.0) {
        return false;
    }
    scope.SetText("write.step.unit", "MM");
    scope.SetText("write.step.schema", "AP214IS");
    STEPControl_Writer writer;
    if (writer.Transfer(shape, STEPControl_AsIs) != IFSelect_RetDone) {
        reason = kStepNotTransferred;
        return false;
    }
    if (writer.Write(path.c_str()) != IFSelect_RetDone) {
        reason = kStepNotWritten;
        return false;
    }
    return true;
}

std::string IgesShapeWriter::GetFormatName() const
{
    return "IGES Files";
}

std::vector<std::string> IgesShapeWriter::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::IGES).extensions;
}

bool IgesShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path,
                            ParameterDict* settings, std::string& reason) const
{
    const TranslatorLock lock;
    IGESControl_Controller::Init();
    StaticSettingsScope scope;
    const double millimetres = SetModelUnit(scope, settings, reason);
    if (millimetres == 0.0) {
        return false;
    }
    // Millimetres in the file, and B-rep entities (mode 1) so that solids stay solids.
    IGESControl_Writer writer("MM", 1);
    // The writer scales from the unit its model's global section names, which it takes from
    // whatever translator ran last rather than from the parameter set above.
    IGESData_GlobalSection section = writer.Model()->GlobalSection();
    section.SetCascadeUnit(millimetres);
    writer.Model()->SetGlobalSection(section);
    // A shape the translator takes only in part is not written: the file would lack the rest.
    if (!writer.AddShape(shape)) {
        reason = kIgesNotTransferred;
        return false;
    }
    writer.ComputeModel();
    if (!writer.Write(path.c_str())) {
        reason = kIgesNotWritten;
        return false;
    }
    return true;
}

std::string BrepShapeWriter::GetFormatName() const
{
    return "BREP Files";
}

std::vector<std::string> BrepShapeWriter::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::BREP).extensions;
}

bool BrepShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict*,
                            std::string& reason) const
{
    if (!BRepTools::Write(shape, path.c_str())) {
        reason = kBrepNotWritten;
        return false;
    }
    return true;
}

} // namespace orvkit
