#include "StepShapeReader.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Geometry/IO/TranslatorRead.h"

#include <STEPControl_Reader.hxx>

namespace orvkit {

std::string StepShapeReader::GetFormatName() const
{
    return "STEP Files";
}

std::vector<std::string> StepShapeReader::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::STEP).extensions;
}

TopoDS_Shape StepShapeReader::Read(const std::string& path,
                                   const ImportSettingsModel& settings) const
{
    // Held until the reader is gone: see TranslatorLock.
    const TranslatorLock lock;
    STEPControl_Reader reader; // registers the parameters set below
    StaticSettingsScope scope;
    if (!SetReadModelUnit(scope, settings, "STEP", path)) {
        return {};
    }
    SetStepReadDefaults(scope);
    return TranslateRoots(reader, path, "STEP");
}

} // namespace orvkit
