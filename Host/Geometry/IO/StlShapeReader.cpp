#include "StlShapeReader.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/TranslatorLibraries.h"

namespace orvkit {

std::string StlShapeReader::GetFormatName() const
{
    return "STL Files";
}

std::vector<std::string> StlShapeReader::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::STL).extensions;
}

TopoDS_Shape StlShapeReader::Read(const std::string& path,
                                  const ImportSettingsModel& settings) const
{
    return MeshTranslator::Get().readStl(path, settings);
}

} // namespace orvkit
