#include "IgesShapeIO.h"

#include "Common/Core/WriteTime.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ShapeReadLog.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLibraries.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Geometry/IO/TranslatorRead.h"

#include <IGESControl_Controller.hxx>
#include <IGESControl_Reader.hxx>
#include <IGESControl_Writer.hxx>
#include <IGESData_GlobalSection.hxx>
#include <IGESData_IGESModel.hxx>
#include <TCollection_HAsciiString.hxx>

#include <algorithm>
#include <fstream>
#include <ios>

namespace orvkit {

namespace {

const char* const kIgesNotTransferred = "the IGES translator cannot transfer the shape";
const char* const kIgesNotWritten = "the IGES translator cannot write the file";

const char* const kNoTerminateSection = "cut short: no terminate section at its end";

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
    const Handle(TCollection_HAsciiString) date =
        new TCollection_HAsciiString(WriteTime::Text("%Y%m%d.%H%M%S").c_str());
    section.SetDate(date);
    section.SetLastChangeDate(date);
    writer.Model()->SetGlobalSection(section);
}

namespace {

TopoDS_Shape ReadShape(const std::string& path, const ImportSettingsModel& settings)
{
    const TranslatorLock lock;
    IGESControl_Reader reader; // registers the parameters set below
    StaticSettingsScope scope;
    if (!SetReadModelUnit(scope, settings, "IGES", path)) {
        return {};
    }
    if (!EndsWithTerminateSection(path)) {
        LogCannotRead("IGES", path, kNoTerminateSection);
        return {};
    }
    // Blanked (hidden) entities are read too, as OpenCASCADE does by default.
    scope.SetInteger("read.iges.onlyvisible", 0);
    return TranslateRoots(reader, path, "IGES");
}

bool WriteShape(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
                std::string& reason)
{
    const TranslatorLock lock;
    const char* modelUnit = GetWriteModelUnit(settings, reason);
    if (modelUnit == nullptr) {
        return false;
    }
    const TranslatorWriteUnits units{modelUnit, "MM"};
    StaticSettingsScope scope;
    PrepareIgesWrite(scope, units);
    IGESControl_Writer writer;
    SetIgesGlobalSection(writer, units);
    // A shape the translator takes only in part is not written: the file would lack the rest.
    if (!writer.AddShape(shape)) {
        reason = kIgesNotTransferred;
        return false;
    }
    writer.ComputeModel();
    if (!writer.Write(path.c_str())) {
        reason = kIgesNotWritten;
        return false;
    }
    return true;
}

} // namespace

} // namespace orvkit

extern "C" const orvkit::IgesTranslator* OrvexHostIgesTranslator()
{
    static const orvkit::IgesTranslator table{&orvkit::ReadShape, &orvkit::WriteShape};
    return &table;
}
