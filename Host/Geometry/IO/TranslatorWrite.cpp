#include "TranslatorWrite.h"

#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/StaticSettingsScope.h"

#include <IGESControl_Controller.hxx>
#include <IGESControl_Writer.hxx>
#include <IGESData_GlobalSection.hxx>
#include <IGESData_IGESModel.hxx>
#include <STEPControl_Controller.hxx>

namespace orvkit {

void PrepareStepWrite(StaticSettingsScope& scope, const TranslatorWriteUnits& units,
                      const char* schema)
{
    // The parameters exist only once the controller has registered them.
    STEPControl_Controller::Init();
    scope.SetText("xstep.cascade.unit", units.model);
    scope.SetText("write.step.unit", units.file);
    scope.SetText("write.step.schema", schema);
}

void PrepareIgesWrite(StaticSettingsScope& scope, const TranslatorWriteUnits& units)
{
    IGESControl_Controller::Init();
    scope.SetText("xstep.cascade.unit", units.model);
    scope.SetText("write.iges.unit", units.file);
    scope.SetInteger("write.iges.brep.mode", 1);
}

void SetIgesModelUnit(IGESControl_Writer& writer, const TranslatorWriteUnits& units)
{
    IGESData_GlobalSection section = writer.Model()->GlobalSection();
    // A translator's unit name is one of LengthUnit's names in capitals ("INCH").
    section.SetCascadeUnit(LengthUnit::GetMetres(units.model) * 1000.0);
    writer.Model()->SetGlobalSection(section);
}

const char* GetWriteModelUnit(ParameterDict* settings, std::string& reason)
{
    const std::string unit = ImportSettingsModel(settings).GetModelUnit();
    const char* translatorUnit = LengthUnit::GetTranslatorName(unit);
    if (translatorUnit == nullptr) {
        reason = LengthUnit::UnknownText(unit);
    }
    return translatorUnit;
}

} // namespace orvkit
