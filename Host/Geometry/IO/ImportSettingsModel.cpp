#include "ImportSettingsModel.h"

namespace orvkit {

SharedParameterDict& ImportSettingsModel::GetPreferences()
{
    static SharedParameterDict preferences;
    return preferences;
}

std::unique_ptr<ParameterValue> ImportSettingsModel::Find(const char* key) const
{
    if (mySettings != nullptr) {
        if (const ParameterValue* value = mySettings->Find(key)) {
            return value->Clone();
        }
    }
    return GetPreferences().Find(key);
}

void ImportSettingsModel::Store(const char* key, std::unique_ptr<ParameterValue> value)
{
    if (mySettings != nullptr) {
        mySettings->Add(key, std::move(value));
    }
}

std::string ImportSettingsModel::GetModelUnit() const
{
    return ParameterCast::Cast(Find(ModelUnitKey).get(), "mm");
}

void ImportSettingsModel::SetModelUnit(const std::string& unit)
{
    Store(ModelUnitKey, ParameterCreator::Create(unit));
}

bool ImportSettingsModel::GetShowDialogFlag() const
{
    return ParameterCast::Cast(Find(ShowDialogKey).get(), true);
}

void ImportSettingsModel::SetShowDialogFlag(bool show)
{
    Store(ShowDialogKey, ParameterCreator::Create(show));
}

bool ImportSettingsModel::GetFixEdges() const
{
    return ParameterCast::Cast(Find(FixEdgesKey).get(), false);
}

void ImportSettingsModel::SetFixEdges(bool fix)
{
    Store(FixEdgesKey, ParameterCreator::Create(fix));
}

double ImportSettingsModel::GetEdgeLength() const
{
    return ParameterCast::Cast(Find(EdgeLengthKey).get(), 0.01);
}

void ImportSettingsModel::SetEdgeLength(double length)
{
    Store(EdgeLengthKey, ParameterCreator::Create(length));
}

bool ImportSettingsModel::GetFixSolid() const
{
    return ParameterCast::Cast(Find(FixSolidKey).get(), false);
}

void ImportSettingsModel::SetFixSolid(bool fix)
{
    Store(FixSolidKey, ParameterCreator::Create(fix));
}

double ImportSettingsModel::GetMakeSolidTol() const
{
    return ParameterCast::Cast(Find(MakeSolidTolKey).get(), 0.01);
}

void ImportSettingsModel::SetMakeSolidTol(double tolerance)
{
    Store(MakeSolidTolKey, ParameterCreator::Create(tolerance));
}

void ImportSettingsModel::SpellOut()
{
    SetModelUnit(GetModelUnit());
    SetShowDialogFlag(GetShowDialogFlag());
    SetFixEdges(GetFixEdges());
    SetEdgeLength(GetEdgeLength());
    SetFixSolid(GetFixSolid());
    SetMakeSolidTol(GetMakeSolidTol());
}

} // namespace orvkit
