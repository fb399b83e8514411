#include "StepShapeReader.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ShapeReadLog.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/StepFileParse.h"
#include "Geometry/IO/StepModelLoad.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Geometry/IO/TranslatorRead.h"

#include <IFSelect_ReturnStatus.hxx>
#include <STEPControl_Reader.hxx>
#include <XSControl_WorkSession.hxx>

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
    // Parsed before the lock is taken, as the kernel's reads are; what the parse does not take
    // goes to OpenCASCADE's parser.
    StepFileParse parse = StepFileParse::Read(path);
    if (parse.GetOutcome() == StepFileParse::Refused) {
        LogCannotRead("STEP", path, parse.GetReason());
        return {};
    }
    // Held until the reader is gone: see TranslatorLock.
    const TranslatorLock lock;
    STEPControl_Reader reader; // registers the parameters set below
    StaticSettingsScope scope;
    if (!SetReadModelUnit(scope, settings, "STEP", path)) {
        return {};
    }
    SetStepReadDefaults(scope);
    return TranslateRoots(reader, path, "STEP", [&](XSControl_Reader& session) {
        if (parse.GetOutcome() == StepFileParse::Parsed &&
            LoadStepModel(parse, session.WS(), path)) {
            return true;
        }
        return session.ReadFile(path.c_str()) == IFSelect_RetDone;
    });
}

} // namespace orvkit
