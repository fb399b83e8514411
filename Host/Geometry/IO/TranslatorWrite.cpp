#include "TranslatorWrite.h"

#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/StaticSettingsScope.h"

namespace orvkit {

namespace {

const char* const kUnknownUnit = "unknown model unit '";

} // namespace

double SetWriteModelUnit(StaticSettingsScope& scope, ParameterDict* settings, std::string& reason)
{
    const std::string unit = ImportSettingsModel(settings).GetModelUnit();
    const char* translatorUnit = LengthUnit::GetTranslatorName(unit);
    if (translatorUnit == nullptr) {
        reason = UnknownModelUnit(unit);
        return 0.0;
    }
    scope.SetText("xstep.cascade.unit", translatorUnit);
    return LengthUnit::GetMetres(unit) * 1000.0;
}

std::string UnknownModelUnit(const std::string& unit)
{
    return kUnknownUnit + unit + "'";
}

} // namespace orvkit
