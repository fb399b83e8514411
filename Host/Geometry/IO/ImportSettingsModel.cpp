#include "ImportSettingsModel.h"

namespace orvkit {

ParameterDict& ImportSettingsModel::GetPreferences()
{
    static ParameterDict preferences;
    return preferences;
}

const ParameterValue* ImportSettingsModel::Find(const char* key) const
{
    if (mySettings != nullptr) {
        if (const ParameterValue* value = mySettings->Find(key)) {
            return value;
        }
    }
    return GetPreferences().Find(key);
}

std::string ImportSettingsModel::GetModelUnit() const
{
    return ParameterCast::Cast(Find(ModelUnitKey), "mm");
}

void ImportSettingsModel::SetModelUnit(const std::string& unit)
{
    if (mySettings != nullptr) {
        mySettings->Add(ModelUnitKey, ParameterCreator::Create(unit));
    }
}

bool ImportSettingsModel::GetShowDialogFlag() const
{
    return ParameterCast::Cast(Find(ShowDialogKey), false);
}

void ImportSettingsModel::SetShowDialogFlag(bool show)
{
    if (mySettings != nullptr) {
        mySettings->Add(ShowDialogKey, ParameterCreator::Create(show));
    }
}

bool ImportSettingsModel::GetFixEdges() const
{
    return ParameterCast::Cast(Find(FixEdgesKey), false);
}

void ImportSettingsModel::SetFixEdges(bool fix)
{
    if (mySettings != nullptr) {
        mySettings->Add(FixEdgesKey, ParameterCreator::Create(fix));
    }
}

double ImportSettingsModel::GetEdgeLength() const
{
    return ParameterCast::Cast(Find(EdgeLengthKey), 0.01);
}

void ImportSettingsModel::SetEdgeLength(double length)
{
    if (mySettings != nullptr) {
        mySettings->Add(EdgeLengthKey, ParameterCreator::Create(length));
    }
}

bool ImportSettingsModel::GetFixSolid() const
{
    return ParameterCast::Cast(Find(FixSolidKey), false);
}

void ImportSettingsModel::SetFixSolid(bool fix)
{
    if (mySettings != nullptr) {
        mySettings->Add(FixSolidKey, ParameterCreator::Create(fix));
    }
}

double ImportSettingsModel::GetMakeSolidTol() const
{
    return ParameterCast::Cast(Find(MakeSolidTolKey), 0.01);
}

void ImportSettingsModel::SetMakeSolidTol(double tolerance)
{
    if (mySettings != nullptr) {
        mySettings->Add(MakeSolidTolKey, ParameterCreator::Create(tolerance));
    }
}

} // namespace orvkit
