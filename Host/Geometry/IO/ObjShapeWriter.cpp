#include "ObjShapeWriter.h"

#include "Geometry/IO/MeshedShapeDocument.h"
#include "Geometry/IO/ModelFormat.h"

#include <Message_ProgressRange.hxx>
#include <RWObj_CafWriter.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>

namespace orvkit {

namespace {

const char* const kObjNotWritten = "OpenCASCADE's OBJ writer failed";

} // namespace

std::string ObjShapeWriter::GetFormatName() const
{
    return "OBJ Files";
}

std::vector<std::string> ObjShapeWriter::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::OBJ).extensions;
}

bool ObjShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict*,
                           std::string& reason) const
{
    const MeshedShapeDocument document(shape);
    if (document.Get().IsNull()) {
        reason = document.GetReason();
        return false;
    }
    // No unit conversion is set up: the numbers go out as they are.
    RWObj_CafWriter writer(path.c_str());
    if (!writer.Perform(document.Get(), TColStd_IndexedDataMapOfStringString(),
                        Message_ProgressRange())) {
        reason = kObjNotWritten;
        return false;
    }
    return true;
}

} // namespace orvkit
