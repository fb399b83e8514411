#include "GltfShapeReader.h"

#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/TranslatorLibraries.h"

namespace orvkit {

std::string GltfShapeReader::GetFormatName() const
{
    return "glTF Files";
}

std::vector<std::string> GltfShapeReader::GetExtensions() const
{
    return ModelFormat::ExtensionsOf({ModelFormat::GLTF, ModelFormat::GLB});
}

TopoDS_Shape GltfShapeReader::Read(const std::string& path,
                                   const ImportSettingsModel& settings) const
{
    return MeshTranslator::Get().readGltf(path, settings);
}

} // namespace orvkit
