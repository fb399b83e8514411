#include "TranslatorWrite.h"

#include "Common/Core/WriteTime.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/StaticSettingsScope.h"

#include <APIHeaderSection_MakeHeader.hxx>
#include <IGESControl_Controller.hxx>
#include <IGESControl_Writer.hxx>
#include <IGESData_GlobalSection.hxx>
#include <IGESData_IGESModel.hxx>
#include <STEPControl_Controller.hxx>
#include <STEPControl_Writer.hxx>
#include <StepData_StepModel.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <TCollection_HAsciiString.hxx>

#include <algorithm>
#include <ctime>
#include <limits>
#include <vector>

namespace orvkit {

namespace {

// WriteTime as `format` (strftime's) writes it.
Handle(TCollection_HAsciiString) WriteTimeText(const char* format)
{
    const std::tm time = WriteTime::Get();
    char text[32];
    std::strftime(text, sizeof(text), format, &time);
    return new TCollection_HAsciiString(text);
}

// A reader names an occurrence without a name after its id, which the translator counts on from
// the occurrences of all its writes: they are renumbered from 1, as the first write of a process
// numbers them. Ids that are not numbers are left as they are.
void RenumberOccurrences(const Handle(StepData_StepModel)& model)
{
    std::vector<Handle(StepRepr_NextAssemblyUsageOccurrence)> occurrences;
    int first = std::numeric_limits<int>::max();
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(StepRepr_NextAssemblyUsageOccurrence) occurrence =
            Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(model->Value(i));
        if (occurrence.IsNull()) {
            continue;
        }
        if (occurrence->Id().IsNull() || !occurrence->Id()->IsIntegerValue()) {
            return;
        }
        first = std::min(first, occurrence->Id()->IntegerValue());
        occurrences.push_back(occurrence);
    }
    for (const Handle(StepRepr_NextAssemblyUsageOccurrence)& occurrence : occurrences) {
        occurrence->SetId(
            new TCollection_HAsciiString(occurrence->Id()->IntegerValue() - first + 1));
    }
}

} // namespace

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

void SetIgesGlobalSection(IGESControl_Writer& writer, const TranslatorWriteUnits& units)
{
    IGESData_GlobalSection section = writer.Model()->GlobalSection();
    // A translator's unit name is one of LengthUnit's names in capitals ("INCH").
    section.SetCascadeUnit(LengthUnit::GetMetres(units.model) * 1000.0);
    // The file's generation and its last change are one moment: the write.
    const Handle(TCollection_HAsciiString) date = WriteTimeText("%Y%m%d.%H%M%S");
    section.SetDate(date);
    section.SetLastChangeDate(date);
    writer.Model()->SetGlobalSection(section);
}

void FinishStepTransfer(STEPControl_Writer& writer)
{
    const Handle(StepData_StepModel) model = writer.Model();
    APIHeaderSection_MakeHeader(model).SetTimeStamp(WriteTimeText("%Y-%m-%dT%H:%M:%S"));
    RenumberOccurrences(model);
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
