#include "ObjShapeReader.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/TranslatorLibraries.h"

namespace orvkit {

std::string ObjShapeReader::GetFormatName() const
{
    return "OBJ Files";
}

std::vector<std::string> ObjShapeReader::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::OBJ).extensions;
}

TopoDS_Shape ObjShapeReader::Read(const std::string& path,
                                  const ImportSettingsModel& settings) const
{
    return MeshTranslator::Get().readObj(path, settings);
}

} // namespace orvkit
