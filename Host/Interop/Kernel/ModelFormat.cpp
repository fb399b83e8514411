#include "ModelFormat.h"

#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"

namespace orvkit {

const std::vector<ModelFormat>& ModelFormat::All()
{
    static const std::vector<ModelFormat> formats = {
        {"STEP", {".step", ".stp"}, KindCad, true, true, true, true},
        {"IGES", {".iges", ".igs"}, KindCad, false, true, false, true},
        {"BREP", {".brep", ".brp"}, KindShape, false, false, false, true},
        {"STL", {".stl"}, KindMesh, false, false, false, true},
        {"OBJ", {".obj"}, KindMesh, false, true, false, true},
        {"glTF", {".gltf"}, KindMesh, true, true, true, true},
        {"GLB", {".glb"}, KindMesh, true, true, true, true},
    };
    return formats;
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
