#include "CadShapeReaders.h"

#include "Common/Core/Logger.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLock.h"

#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <IGESControl_Reader.hxx>
#include <STEPControl_Reader.hxx>
#include <XSControl_Reader.hxx>

#include <algorithm>
#include <fstream>
#include <ios>

namespace orvkit {

namespace {

const char* const kCannotRead = "Cannot read %s file: %s (%s)";
const char* const kNotParsed = "the file does not parse as this format";
const char* const kNoRoots = "no shape in the file";
const char* const kNothingTranslated = "no shape could be translated";
const char* const kNotBrepOrCutShort = "not a BREP file, or cut short";
const char* const kNoTerminateSection = "cut short: no terminate section at its end";
const char* const kNullBrep = "the file holds a null shape";
const char* const kUnknownUnit = "Cannot read %s file: %s (unknown model unit '%s')";

void LogCannotRead(const char* format, const std::string& path, const std::string& reason)
{
    Logger::Instance().Message(4, kCannotRead, format, path.c_str(), reason.c_str());
}

// Makes the translator produce lengths in the settings' model unit. False, with the reason
// logged, when the unit is not one the translators know.
bool SetModelUnit(StaticSettingsScope& scope, const ImportSettingsModel& settings,
                  const char* format, const std::string& path)
{
    const std::string unit = settings.GetModelUnit();
    const char* translatorUnit = LengthUnit::GetTranslatorName(unit);
    if (translatorUnit == nullptr) {
        Logger::Instance().Message(4, kUnknownUnit, format, path.c_str(), unit.c_str());
        return false;
    }
    scope.SetText("xstep.cascade.unit", translatorUnit);
    return true;
}

// The read sequence both translators share: parse, transfer every root, gather the results.
TopoDS_Shape Translate(XSControl_Reader& reader, const std::string& path, const char* format)
{
    if (reader.ReadFile(path.c_str()) != IFSelect_RetDone) {
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

// Whether the file ends with the one-line terminate section every IGES file closes with (the
// section letter 'T' in column 73 of the last 80-column record). OpenCASCADE reads a file cut
// short without complaint and gives whatever part of the model it got to; this is how such a
// file is told apart. Records may end with CR, LF or both, or follow each other with no line
// break at all.
bool EndsWithTerminateSection(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    const std::streamoff tail = std::min<std::streamoff>(size, 1024);
    std::string text(static_cast<size_t>(tail), '\0');
    in.seekg(size - tail);
    in.read(text.data(), tail);
    const size_t last = text.find_last_not_of("\r\n");
    if (!in || last == std::string::npos) {
        return false;
    }
    const size_t lineBreak = text.find_last_of("\r\n", last);
    const size_t start = lineBreak == std::string::npos ? 0 : lineBreak + 1;
    std::string record = text.substr(start, last + 1 - start);
    if (record.size() > 80) {
        record.erase(0, record.size() - 80);
    }
    return record.size() > 72 && record[72] == 'T';
}

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
    if (!SetModelUnit(scope, settings, "STEP", path)) {
        return {};
    }
    SetStepReadDefaults(scope);
    return Translate(reader, path, "STEP");
}

std::string IgesShapeReader::GetFormatName() const
{
    return "IGES Files";
}

std::vector<std::string> IgesShapeReader::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::IGES).extensions;
}

TopoDS_Shape IgesShapeReader::Read(const std::string& path,
                                   const ImportSettingsModel& settings) const
{
    const TranslatorLock lock;
    IGESControl_Reader reader; // registers the parameters set below
    StaticSettingsScope scope;
    if (!SetModelUnit(scope, settings, "IGES", path)) {
        return {};
    }
    if (!EndsWithTerminateSection(path)) {
        LogCannotRead("IGES", path, kNoTerminateSection);
        return {};
    }
    // Blanked (hidden) entities are read too, as OpenCASCADE does by default.
    scope.SetInteger("read.iges.onlyvisible", 0);
    return Translate(reader, path, "IGES");
}

std::string BrepShapeReader::GetFormatName() const
{
    return "BREP Files";
}

std::vector<std::string> BrepShapeReader::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::BREP).extensions;
}

TopoDS_Shape BrepShapeReader::Read(const std::string& path, const ImportSettingsModel&) const
{
    std::ifstream in(path, std::ios::binary);
    // A read that fails throws instead of leaving the stream quietly failed: BRepTools keeps
    // looping on a failed stream, so a file cut short would hang the read, and it writes its
    // complaints about a file that is not BREP on standard output, which is the program's.
    in.exceptions(std::ios::failbit | std::ios::badbit);
    TopoDS_Shape shape;
    try {
        BRepTools::Read(shape, in, BRep_Builder());
    } catch (const std::ios_base::failure&) {
        LogCannotRead("BREP", path, kNotBrepOrCutShort);
        return {};
    }
    if (shape.IsNull()) {
        LogCannotRead("BREP", path, kNullBrep);
    }
    return shape;
}

} // namespace orvkit
