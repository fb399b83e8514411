#include "ShapeModelReader.h"

#include "Common/Core/PathUtil.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/OcctFaultScope.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "Interop/Kernel/KernelSupport.h"

#include <TDataStd_Name.hxx>
#include <XCAFDoc_DocumentTool.hxx>

#include <optional>

namespace orvkit {

namespace {

const char* const kNotParsed = "the file could not be parsed";

} // namespace

ModelReadOutcome ShapeModelReader::Read(const std::string& path, XdeDocumentImpl& impl,
                                        ParameterDict* settings) const
{
    const ModelFormat* format = ModelFormat::ForPath(path);
    const char* name = format != nullptr ? format->name : "";
    const ShapeReader* reader =
        ShapeExchangeManager::Instance().FindReader(PathUtil::Extension(path));
    impl.CreateNew();
    TopoDS_Shape shape;
    if (reader != nullptr) {
        OcctFaultScope faults;
        const std::optional<CaughtFailure> caught =
            CaughtFailure::Guard([&] { shape = reader->Read(path, ImportSettingsModel(settings)); },
                                 CaughtFailure::OcctOnly);
        if (caught) {
            return FailedReading(name, path, *caught);
        }
    }
    if (shape.IsNull()) {
        // The shape reader has logged its own words already.
        return {{LoadFailureParseError, name, kNotParsed}, {}};
    }
    const TDF_Label label = impl.shapeTool->AddShape(shape, Standard_False);
    TDataStd_Name::Set(label, TCollection_ExtendedString(
                                  PathUtil::GetFileNameWithoutExt(path).c_str(), Standard_True));
    XCAFDoc_DocumentTool::SetLengthUnit(impl.document, 0.001);
    impl.RefreshTools();
    return {};
}

} // namespace orvkit
