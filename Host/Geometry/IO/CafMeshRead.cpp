#include "CafMeshRead.h"

#include "Geometry/IO/ShapeReadLog.h"

#include <Message_ProgressRange.hxx>
#include <RWMesh_CafReader.hxx>
#include <TCollection_AsciiString.hxx>

namespace orvkit {

namespace {

const char* const kNotParsedToEnd = "the file does not parse to its end as this format";
const char* const kNoMesh = "no mesh in the file";

} // namespace

TopoDS_Shape ReadCafMesh(RWMesh_CafReader& reader, const std::string& readable, const char* format,
                         const LoadFailure& refusal, const std::string& path)
{
    if (refusal) {
        LogRefusal(format, path, refusal);
        return {};
    }
    // A file cut short or broken half-way is a failed read, not a partial model.
    reader.SetFillIncompleteDocument(Standard_False);
    if (!reader.Perform(TCollection_AsciiString(readable.c_str()), Message_ProgressRange())) {
        LogCannotRead(format, path, kNotParsedToEnd);
        return {};
    }
    TopoDS_Shape shape = reader.SingleShape();
    if (shape.IsNull()) {
        LogCannotRead(format, path, kNoMesh);
    }
    return shape;
}

} // namespace orvkit
