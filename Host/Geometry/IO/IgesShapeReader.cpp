#include "IgesShapeReader.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/TranslatorLibraries.h"

namespace orvkit {

std::string IgesShapeReader::GetFormatName() const
{
    return "IGES Files";
}

std::vector<std::string> IgesShapeReader::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::IGES).extensions;
}

TopoDS_Shape IgesShapeReader::Read(const std::string& path,
                                   const ImportSettingsModel& settings) const
{
    return IgesTranslator::Get().readShape(path, settings);
}

} // namespace orvkit
