#include "IgesShapeWriter.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Geometry/IO/TranslatorWrite.h"

#include <IGESControl_Writer.hxx>

namespace orvkit {

namespace {

const char* const kIgesNotTransferred = "the IGES translator cannot transfer the shape";
const char* const kIgesNotWritten = "the IGES translator cannot write the file";

} // namespace

std::string IgesShapeWriter::GetFormatName() const
{
    return "IGES Files";
}

std::vector<std::string> IgesShapeWriter::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::IGES).extensions;
}

bool IgesShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path,
                            ParameterDict* settings, std::string& reason) const
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

} // namespace orvkit
