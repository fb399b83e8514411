#include "GltfShapeWriter.h"

#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/MeshedShapeDocument.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/TranslatorWrite.h"
#include "Graphics/SceneGltf.h"

namespace orvkit {

namespace {

const char* const kGltfNotWritten = "the glTF file cannot be written";

bool IsBinaryGltf(const std::string& path)
{
    const ModelFormat* format = ModelFormat::ForPath(path);
    return format != nullptr && format->id == ModelFormat::GLB;
}

} // namespace

std::string GltfShapeWriter::GetFormatName() const
{
    return "glTF Files";
}

std::vector<std::string> GltfShapeWriter::GetExtensions() const
{
    return ModelFormat::ExtensionsOf({ModelFormat::GLTF, ModelFormat::GLB});
}

bool GltfShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path,
                            ParameterDict* settings, std::string& reason) const
{
    const std::string unit = ImportSettingsModel(settings).GetModelUnit();
    const double metres = LengthUnit::GetMetres(unit);
    if (metres <= 0.0) {
        reason = UnknownModelUnit(unit);
        return false;
    }
    const MeshedShapeDocument document(shape);
    if (document.Get().IsNull()) {
        reason = document.GetReason();
        return false;
    }
    SceneGltf::Options options;
    options.metresPerUnit = metres;
    if (!SceneGltf(document.Get(), options).Write(path, IsBinaryGltf(path))) {
        reason = kGltfNotWritten;
        return false;
    }
    return true;
}

} // namespace orvkit
