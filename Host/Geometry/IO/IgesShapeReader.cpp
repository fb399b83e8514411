#include "IgesShapeReader.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ShapeReadLog.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Geometry/IO/TranslatorRead.h"

#include <IGESControl_Reader.hxx>

#include <algorithm>
#include <fstream>
#include <ios>

namespace orvkit {

namespace {

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

} // namespace orvkit
