#include "StlShapeWriter.h"

#include "Geometry/IO/MeshedCopy.h"
#include "Geometry/IO/ModelFormat.h"

#include <StlAPI_Writer.hxx>

namespace orvkit {

namespace {

const char* const kStlNotWritten = "the STL file cannot be written";

} // namespace

std::string StlShapeWriter::GetFormatName() const
{
    return "STL Files";
}

std::vector<std::string> StlShapeWriter::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::STL).extensions;
}

bool StlShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path,
                           ParameterDict* settings, std::string& reason) const
{
    const TopoDS_Shape meshed = MeshedCopy(shape, reason);
    if (meshed.IsNull()) {
        return false;
    }
    StlAPI_Writer writer;
    writer.ASCIIMode() =
        settings != nullptr && ParameterCast::Cast(settings->Find(AsciiKey), false);
    if (!writer.Write(meshed, path.c_str())) {
        reason = kStlNotWritten;
        return false;
    }
    return true;
}

} // namespace orvkit
