#include "IgesShapeWriter.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Geometry/IO/TranslatorWrite.h"

#include <IGESControl_Controller.hxx>
#include <IGESControl_Writer.hxx>
#include <IGESData_GlobalSection.hxx>
#include <IGESData_IGESModel.hxx>

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
    IGESControl_Controller::Init();
    StaticSettingsScope scope;
    const double millimetres = SetWriteModelUnit(scope, settings, reason);
    if (millimetres == 0.0) {
        return false;
    }
    // Millimetres in the file, and B-rep entities (mode 1) so that solids stay solids.
    IGESControl_Writer writer("MM", 1);
    // The writer scales from the unit its model's global section names, which it takes from
    // whatever translator ran last rather than from the parameter set above.
    IGESData_GlobalSection section = writer.Model()->GlobalSection();
    section.SetCascadeUnit(millimetres);
    writer.Model()->SetGlobalSection(section);
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
