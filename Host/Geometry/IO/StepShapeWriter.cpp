#include "StepShapeWriter.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Geometry/IO/TranslatorWrite.h"

#include <IFSelect_ReturnStatus.hxx>
#include <STEPControl_Writer.hxx>
#include <StepBasic_Product.hxx>
#include <StepData_StepModel.hxx>
#include <TCollection_HAsciiString.hxx>

namespace orvkit {

namespace {

const char* const kStepNotTransferred = "the STEP translator cannot transfer the shape";
const char* const kStepNotWritten = "the STEP translator cannot write the file";

// The translator names a product after itself and the number of shapes its process transferred
// before ("Open CASCADE STEP translator 7.6 3"), so one shape written twice would differ, and a
// reader takes that for the part's name. The shape has no name, so its product has none either,
// as the model writer leaves unnamed parts unnamed.
void ClearProductNames(const Handle(StepData_StepModel)& model)
{
    const Handle(TCollection_HAsciiString) empty = new TCollection_HAsciiString("");
    for (int i = 1; i <= model->NbEntities(); ++i) {
        if (const Handle(StepBasic_Product) product =
                Handle(StepBasic_Product)::DownCast(model->Value(i));
            !product.IsNull()) {
            product->SetId(empty);
            product->SetName(empty);
        }
    }
}

} // namespace

std::string StepShapeWriter::GetFormatName() const
{
    return "STEP Files";
}

std::vector<std::string> StepShapeWriter::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::STEP).extensions;
}

bool StepShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path,
                            ParameterDict* settings, std::string& reason) const
{
    // Under the translator lock until the writer is gone, with the parameters set before it is
    // made.
    const TranslatorLock lock;
    const char* modelUnit = GetWriteModelUnit(settings, reason);
    if (modelUnit == nullptr) {
        return false;
    }
    StaticSettingsScope scope;
    PrepareStepWrite(scope, {modelUnit, "MM"}, "AP214IS");
    STEPControl_Writer writer;
    if (writer.Transfer(shape, STEPControl_AsIs) != IFSelect_RetDone) {
        reason = kStepNotTransferred;
        return false;
    }
    ClearProductNames(writer.Model());
    FinishStepTransfer(writer);
    if (writer.Write(path.c_str()) != IFSelect_RetDone) {
        reason = kStepNotWritten;
        return false;
    }
    return true;
}

} // namespace orvkit
