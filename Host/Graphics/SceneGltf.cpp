#include "SceneGltf.h"

#include "Common/Core/StringUtil.h"
#include "Graphics/GltfBuilder.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <fstream>

namespace orvkit {

namespace {

void AppendU32(std::string& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

} // namespace

SceneGltf::SceneGltf(const Document& document)
{
    myJson = GltfBuilder().Build(document, myBinary);
    myHasMeshes = !myBinary.empty();
}

SceneGltf::SceneGltf(const SceneNode& root)
{
    myJson = GltfBuilder().Build(root, myBinary);
    myHasMeshes = !myBinary.empty();
}

SceneGltf::SceneGltf(const Handle(TDocStd_Document)& document, const Options& options)
{
    if (!document.IsNull()) {
        myJson = GltfBuilder().Build(document, options, myBinary);
    }
    myHasMeshes = !myBinary.empty();
}

bool SceneGltf::Write(const std::string& file, bool binary) const
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!binary) {
        nlohmann::json json = nlohmann::json::parse(myJson);
        if (json.contains("buffers")) {
            json["buffers"][0]["uri"] =
                "data:application/octet-stream;base64," + StringUtil::ToBase64(myBinary);
        }
        out << json.dump();
        return static_cast<bool>(out.flush());
    }
    // The binary container: a header, the JSON chunk padded with spaces, the buffer padded
    // with zeros, each to four bytes.
    std::string json = myJson;
    json.append((4 - json.size() % 4) % 4, ' ');
    std::string buffer = myBinary;
    buffer.append((4 - buffer.size() % 4) % 4, '\0');
    std::string bytes;
    AppendU32(bytes, 0x46546C67); // "glTF"
    AppendU32(bytes, 2);
    AppendU32(bytes, static_cast<uint32_t>(12 + 8 + json.size() +
                                           (buffer.empty() ? 0 : 8 + buffer.size())));
    AppendU32(bytes, static_cast<uint32_t>(json.size()));
    AppendU32(bytes, 0x4E4F534A); // "JSON"
    bytes += json;
    if (!buffer.empty()) {
        AppendU32(bytes, static_cast<uint32_t>(buffer.size()));
        AppendU32(bytes, 0x004E4942); // "BIN"
        bytes += buffer;
    }
    out << bytes;
    return static_cast<bool>(out.flush());
}

} // namespace orvkit
