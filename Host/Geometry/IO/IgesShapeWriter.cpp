#include "IgesShapeWriter.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/TranslatorLibraries.h"

namespace orvkit {

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
    return IgesTranslator::Get().writeShape(shape, path, settings, reason);
}

} // namespace orvkit
