#include "TranslatorRead.h"

#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ShapeReadLog.h"
#include "Geometry/IO/StaticSettingsScope.h"

#include <IFSelect_ReturnStatus.hxx>
#include <XSControl_Reader.hxx>

namespace orvkit {

namespace {

const char* const kNotParsed = "the file does not parse as this format";
const char* const kNoRoots = "no shape in the file";
const char* const kNothingTranslated = "no shape could be translated";

} // namespace

void SetStepReadDefaults(StaticSettingsScope& scope)
{
    scope.SetInteger("read.step.product.mode", 1);
    scope.SetInteger("read.step.product.context", 1);
    scope.SetInteger("read.step.shape.repr", 1);
    scope.SetInteger("read.step.assembly.level", 1);
    scope.SetInteger("read.step.shape.relationship", 1);
    scope.SetInteger("read.step.shape.aspect", 1);
}

bool SetReadModelUnit(StaticSettingsScope& scope, const ImportSettingsModel& settings,
                      const char* format, const std::string& path)
{
    const std::string unit = settings.GetModelUnit();
    const char* translatorUnit = LengthUnit::GetTranslatorName(unit);
    if (translatorUnit == nullptr) {
        LogUnknownUnit(format, path, unit);
        return false;
    }
    scope.SetText("xstep.cascade.unit", translatorUnit);
    return true;
}

TopoDS_Shape TranslateRoots(XSControl_Reader& reader, const std::string& path, const char* format,
                            const std::function<bool(XSControl_Reader&)>& parse)
{
    if (!(parse ? parse(reader) : reader.ReadFile(path.c_str()) == IFSelect_RetDone)) {
        LogCannotRead(format, path, kNotParsed);
        return {};
    }
    if (reader.NbRootsForTransfer() == 0) {
        LogCannotRead(format, path, kNoRoots);
        return {};
    }
    reader.TransferRoots();
    TopoDS_Shape shape = reader.OneShape();
    if (shape.IsNull()) {
        LogCannotRead(format, path, kNothingTranslated);
    }
    return shape;
}

} // namespace orvkit
