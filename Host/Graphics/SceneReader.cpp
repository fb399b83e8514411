#include "SceneReader.h"

#include "Common/Core/Logger.h"
#include "Common/Core/Path.h"
#include "Common/Core/PathUtil.h"
#include "Common/Core/ScopedTempFolder.h"
#include "Graphics/BrepSceneNode.h"
#include "Graphics/GroupSceneNode.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace orvkit {

namespace {

namespace fs = std::filesystem;

const char* const kNoSceneStream = "no stream holds a file this scene reader takes";
const char* const kManySceneStreams = "more than one stream holds a file this scene reader takes";
const char* const kBadStreamName = "a scene stream's name is not a plain file name: ";
const char* const kNullStream = "a scene stream is null: ";
const char* const kNoTempFolder = "cannot make a temporary folder for scene streams";
const char* const kStreamNotWritten = "cannot write a scene stream to a temporary file: ";

// A name that stays inside the folder it is written to.
bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

// The name of the one stream that `reader` takes by its extension. Empty, with the reason
// logged, when there is no such stream or more than one, or when a stream is unusable.
std::string FindSceneStream(SceneReader& reader,
                            const std::unordered_map<std::string, std::istream*>& streams)
{
    std::string mainFile;
    for (const auto& [name, stream] : streams) {
        if (!IsPlainFileName(name)) {
            ORVKIT_LOG_ERROR(kBadStreamName + name);
            return {};
        }
        if (stream == nullptr) {
            ORVKIT_LOG_ERROR(kNullStream + name);
            return {};
        }
        if (reader.IsSupported(PathUtil::Extension(name))) {
            if (!mainFile.empty()) {
                ORVKIT_LOG_ERROR(kManySceneStreams);
                return {};
            }
            mainFile = name;
        }
    }
    if (mainFile.empty()) {
        ORVKIT_LOG_ERROR(kNoSceneStream);
    }
    return mainFile;
}

bool WriteStream(std::istream& in, const fs::path& path)
{
    std::ofstream out(path, std::ios::binary);
    std::copy(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(),
              std::ostreambuf_iterator<char>(out));
    out.close();
    return !out.fail();
}

void FillMissingMaterials(SceneNode& node, MaterialInstance* material)
{
    if (auto* brep = dynamic_cast<BrepSceneNode*>(&node)) {
        if (brep->GetFaceMaterial() == nullptr) {
            brep->SetFaceMaterial(material);
        }
        if (brep->GetEdgeMaterial() == nullptr) {
            brep->SetEdgeMaterial(material);
        }
    } else if (auto* group = dynamic_cast<GroupSceneNode*>(&node)) {
        for (const auto& child : group->GetChildren()) {
            FillMissingMaterials(*child, material);
        }
    }
}

} // namespace

SceneReader::SceneReader() = default;

SceneReader::~SceneReader() = default;

std::shared_ptr<SceneNode>
SceneReader::Load(const std::unordered_map<std::string, std::istream*>& streams,
                  MaterialInstance* material)
{
    const std::string mainFile = FindSceneStream(*this, streams);
    if (mainFile.empty()) {
        return nullptr;
    }
    const ScopedTempFolder folder("orvkit-scene-");
    if (folder.GetPath().empty()) {
        ORVKIT_LOG_ERROR(kNoTempFolder);
        return nullptr;
    }
    for (const auto& [name, stream] : streams) {
        if (!WriteStream(*stream, folder.GetPath() / name)) {
            ORVKIT_LOG_ERROR(kStreamNotWritten + name);
            return nullptr;
        }
    }
    return Load(Path((folder.GetPath() / mainFile).string()), material);
}

std::shared_ptr<SceneNode> SceneReader::Load(const Path& path, MaterialInstance* material)
{
    std::shared_ptr<SceneNode> root = Load(path.GetString());
    if (root && material != nullptr) {
        FillMissingMaterials(*root, material);
    }
    return root;
}

std::shared_ptr<SceneNode> SceneReader::Load(const std::wstring& path, MaterialInstance* material)
{
    return Load(Path(PathUtil::ToUtf8(path)), material);
}

} // namespace orvkit
