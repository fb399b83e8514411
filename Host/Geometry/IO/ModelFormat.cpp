#include "ModelFormat.h"

#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"

namespace orvkit {

const std::vector<ModelFormat>& ModelFormat::All()
{
    static const std::vector<ModelFormat> formats = {
        // In the order of EnumId.
        {STEP, "STEP", {".step", ".stp"}, KindCad, true, true, true, true},
        {IGES, "IGES", {".iges", ".igs"}, KindCad, false, true, false, true},
        {BREP, "BREP", {".brep", ".brp"}, KindShape, false, false, false, true},
        {STL, "STL", {".stl"}, KindMesh, false, false, false, true},
        {OBJ, "OBJ", {".obj"}, KindMesh, false, true, false, true},
        {GLTF, "glTF", {".gltf"}, KindMesh, true, true, true, true},
        {GLB, "GLB", {".glb"}, KindMesh, true, true, true, true},
    };
    return formats;
}

const ModelFormat& ModelFormat::Get(EnumId id)
{
    return All()[static_cast<size_t>(id)];
}

const ModelFormat* ModelFormat::ForExactExtension(const std::string& extension)
{
    for (const ModelFormat& format : All()) {
        for (const std::string& own : format.extensions) {
            if (own == extension) {
                return &format;
            }
        }
    }
    return nullptr;
}

std::vector<std::string> ModelFormat::ExtensionsOf(std::initializer_list<EnumId> ids)
{
    std::vector<std::string> extensions;
    for (const EnumId id : ids) {
        const std::vector<std::string>& own = Get(id).extensions;
        extensions.insert(extensions.end(), own.begin(), own.end());
    }
    return extensions;
}

bool ModelFormat::Takes(const std::string& extension) const
{
    const std::string lower = StringUtil::ToLower(extension);
    for (const std::string& own : extensions) {
        if (own == lower) {
            return true;
        }
    }
    return false;
}

const ModelFormat* ModelFormat::ForPath(const std::string& path)
{
    const std::string extension = PathUtil::Extension(path);
    for (const ModelFormat& format : All()) {
        if (format.Takes(extension)) {
            return &format;
        }
    }
    return nullptr;
}

const ModelFormat* ModelFormat::ForName(const std::string& name)
{
    const std::string lower = StringUtil::ToLower(name);
    for (const ModelFormat& format : All()) {
        if (format.Takes("." + lower) || StringUtil::ToLower(format.name) == lower) {
            return &format;
        }
    }
    return nullptr;
}

std::string ModelFormat::WritableNames()
{
    std::string names;
    for (const ModelFormat& format : All()) {
        for (const std::string& extension : format.extensions) {
            if (format.writable) {
                names += (names.empty() ? "" : ", ") + extension.substr(1);
            }
        }
    }
    return names;
}

} // namespace orvkit
