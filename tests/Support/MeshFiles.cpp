#include "Support/MeshFiles.h"

#include "Common/Core/StringUtil.h"

#include <cstring>

namespace orvtest {

using Json = nlohmann::json;

Triangle::Triangle()
{
    const float positions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const uint16_t indices[4] = {0, 1, 2, 0};
    bytes.assign(reinterpret_cast<const char*>(positions), sizeof(positions));
    bytes.append(reinterpret_cast<const char*>(indices), sizeof(indices));
    json = {{"asset", {{"version", "2.0"}}},
            {"scene", 0},
            {"scenes", {{{"nodes", {0}}}}},
            {"nodes", {{{"mesh", 0}}}},
            {"meshes", {{{"primitives", {{{"attributes", {{"POSITION", 0}}}, {"indices", 1}}}}}}},
            {"buffers", {{{"byteLength", 44}}}},
            {"bufferViews",
             {{{"buffer", 0}, {"byteOffset", 0}, {"byteLength", 36}},
              {{"buffer", 0}, {"byteOffset", 36}, {"byteLength", 6}}}},
            {"accessors",
             {{{"bufferView", 0},
               {"componentType", 5126},
               {"count", 3},
               {"type", "VEC3"},
               {"min", {0, 0, 0}},
               {"max", {1, 1, 0}}},
              {{"bufferView", 1}, {"componentType", 5123}, {"count", 3}, {"type", "SCALAR"}}}}};
}

void Triangle::SetIndex(int which, uint16_t value)
{
    std::memcpy(&bytes[36 + 2 * which], &value, 2);
}

std::string Triangle::Gltf() const
{
    Json copy = json;
    copy["buffers"][0]["uri"] =
        "data:application/octet-stream;base64," + orvkit::StringUtil::ToBase64(bytes);
    return copy.dump();
}

std::string Triangle::Glb(int64_t binLength) const
{
    std::string text = json.dump();
    text.append((4 - text.size() % 4) % 4, ' ');
    auto u32 = [](uint32_t value) { return std::string(reinterpret_cast<char*>(&value), 4); };
    const std::string body = u32(uint32_t(text.size())) + "JSON" + text +
                             u32(binLength < 0 ? uint32_t(bytes.size()) : uint32_t(binLength)) +
                             std::string("BIN\0", 4) + bytes;
    return "glTF" + u32(2) + u32(uint32_t(12 + body.size())) + body;
}

Triangle Chain(int depth)
{
    Triangle triangle;
    Json nodes = Json::array();
    for (int i = 0; i < depth; ++i) {
        nodes.push_back(i + 1 < depth ? Json{{"children", {i + 1}}} : Json{{"mesh", 0}});
    }
    triangle.json["nodes"] = nodes;
    return triangle;
}

std::string ObjWithLongFace(int references)
{
    std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf";
    for (int i = 0; i < references; ++i) {
        obj += i % 3 == 0 ? " 1" : i % 3 == 1 ? " 2" : " 3";
    }
    return obj + "\n";
}

} // namespace orvtest
