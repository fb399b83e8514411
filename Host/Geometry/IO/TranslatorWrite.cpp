#include "TranslatorWrite.h"

#include "Common/Core/WriteTime.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/StaticSettingsScope.h"

#include <APIHeaderSection_MakeHeader.hxx>
#include <STEPControl_Controller.hxx>
#include <STEPControl_Writer.hxx>
#include <StepData_StepModel.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <TCollection_HAsciiString.hxx>

#include <algorithm>
#include <limits>
#include <vector>

namespace orvkit {

namespace {

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

void FinishStepTransfer(STEPControl_Writer& writer)
{
    const Handle(StepData_StepModel) model = writer.Model();
    APIHeaderSection_MakeHeader(model).SetTimeStamp(
        new TCollection_HAsciiString(WriteTime::Text("%Y-%m-%dT%H:%M:%S").c_str()));
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
