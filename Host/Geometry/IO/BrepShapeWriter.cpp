#include "BrepShapeWriter.h"

#include "Geometry/IO/ModelFormat.h"

#include <BRepTools.hxx>

namespace orvkit {

namespace {

const char* const kBrepNotWritten = "the BREP file cannot be written";

} // namespace

std::string BrepShapeWriter::GetFormatName() const
{
    return "BREP Files";
}

std::vector<std::string> BrepShapeWriter::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::BREP).extensions;
}

bool BrepShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict*,
                            std::string& reason) const
{
    if (!BRepTools::Write(shape, path.c_str())) {
        reason = kBrepNotWritten;
        return false;
    }
    return true;
}

} // namespace orvkit
