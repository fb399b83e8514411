#include "BrepShapeReader.h"

#include "Geometry/IO/BrepFileCheck.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ShapeReadLog.h"

#include <BRepTools.hxx>
#include <BRep_Builder.hxx>

#include <fstream>
#include <ios>

namespace orvkit {

namespace {

const char* const kNotBrepOrCutShort = "not a BREP file, or cut short";
const char* const kNullBrep = "the file holds a null shape";

} // namespace

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
    const std::string refused = CheckBrepFile(path);
    if (!refused.empty()) {
        LogCannotRead("BREP", path, refused);
        return {};
    }
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
