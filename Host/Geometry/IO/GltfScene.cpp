#include "GltfScene.h"

#include <Standard_Failure.hxx>
#include <gp.hxx>
#include <gp_Quaternion.hxx>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

namespace orvkit {

namespace {

const char* const kCannotOpen = "cannot open the file";
const char* const kNotGlb = "the binary container is cut short";
const char* const kBadJson = "the JSON does not parse: {}";
const char* const kPastEnd = "accessor {} reaches past its buffer";
const char* const kNoBuffer = "buffer {} cannot be read";
const char* const kUnevenScale = "node {} scales unevenly, which a placement cannot hold";
const char* const kNoRoots = "no scene to show";
const char* const kNoNode = "node {} does not exist";
const char* const kMeshMissing = "mesh {} does not exist";
const char* const kNotFloats = "accessor {} holds no float positions";
const char* const kNotATree = "node {} has more than one parent";
constexpr uint32_t kGlbMagic = 0x46546C67;
constexpr uint32_t kGlbBinChunk = 0x004E4942;
const char* const kBase64Prefix = ";base64,";
constexpr int kTriangles = 4;
constexpr int kFloat = 5126;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

uint32_t U32(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

std::string FromBase64(const std::string& text, size_t from)
{
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        const int digit = c >= 'A' && c <= 'Z'   ? c - 'A'
                          : c >= 'a' && c <= 'z' ? c - 'a' + 26
                          : c >= '0' && c <= '9' ? c - '0' + 52
                          : c == '+'             ? 62
                          : c == '/'             ? 63
                                                 : -1;
        if (digit < 0) {
            continue;
        }
        bits = (bits << 6) | static_cast<uint32_t>(digit);
        if ((count += 6) >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return out;
}

// A member that holds an array, or an empty one: by reference, since json::value copies, and a
// copy of the node list per node would make a scene of 100,000 nodes quadratic.
const nlohmann::json& Items(const nlohmann::json& json, const char* key)
{
    static const nlohmann::json kNone = nlohmann::json::array();
    const auto found = json.find(key);
    return found != json.end() && found->is_array() ? *found : kNone;
}

// glTF's metres and Y up into the document's millimetres and Z up: (x, y, z) -> (x, -z, y),
// as the glTF model reader converts.
const double kMillimetres = 1000.0;

gp_Trsf ToDocumentAxes()
{
    gp_Trsf turn;
    turn.SetRotation(gp::OX(), M_PI / 2.0);
    return turn;
}

gp_XYZ ToDocument(const gp_Trsf& axes, float x, float y, float z)
{
    gp_XYZ point(x, y, z);
    axes.Transforms(point);
    return point * kMillimetres;
}

// Reads the scene's JSON and its buffers, then walks nodes and meshes.
class SceneParse {
public:
    explicit SceneParse(const std::string& path) : myPath(path) {}

    void Parse(std::vector<GltfScene::Node>& nodes, std::vector<GltfScene::Mesh>& meshes,
               std::vector<int>& roots)
    {
        LoadJson();
        const nlohmann::json& jsonNodes = Items(myJson, "nodes");
        for (size_t i = 0; i < jsonNodes.size(); ++i) {
            nodes.push_back(NodeOf(jsonNodes[i], i));
        }
        for (const nlohmann::json& mesh : Items(myJson, "meshes")) {
            meshes.push_back(MeshOf(mesh));
        }
        const nlohmann::json& scenes = Items(myJson, "scenes");
        const size_t shown = myJson.value("scene", 0);
        if (shown >= scenes.size()) {
            throw Failure(kNoRoots);
        }
        for (const nlohmann::json& root : Items(scenes[shown], "nodes")) {
            roots.push_back(CheckedNode(root.get<int>(), nodes.size()));
        }
    }

private:
    static int CheckedNode(int index, size_t count)
    {
        if (index < 0 || static_cast<size_t>(index) >= count) {
            throw Failure(fmt::format(fmt::runtime(kNoNode), index));
        }
        return index;
    }

    void LoadJson()
    {
        std::ifstream in(myPath, std::ios::binary);
        if (!in) {
            throw Failure(kCannotOpen);
        }
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string text = bytes;
        if (bytes.size() >= 4 && U32(bytes, 0) == kGlbMagic) {
            if (bytes.size() < 20 || 20 + static_cast<size_t>(U32(bytes, 12)) > bytes.size()) {
                throw Failure(kNotGlb);
            }
            const size_t jsonLength = U32(bytes, 12);
            text = bytes.substr(20, jsonLength);
            const size_t bin = 20 + jsonLength;
            if (bin + 8 <= bytes.size() && U32(bytes, bin + 4) == kGlbBinChunk) {
                myGlbBinary = bytes.substr(
                    bin + 8, std::min<size_t>(U32(bytes, bin), bytes.size() - bin - 8));
            }
        }
        try {
            myJson = nlohmann::json::parse(text);
        } catch (const nlohmann::json::exception& error) {
            throw Failure(fmt::format(fmt::runtime(kBadJson), error.what()));
        }
    }

    GltfScene::Node NodeOf(const nlohmann::json& json, size_t index)
    {
        GltfScene::Node node;
        node.name = json.value("name", std::string());
        node.mesh = json.value("mesh", -1);
        for (const nlohmann::json& child : Items(json, "children")) {
            node.children.push_back(child.get<int>());
        }
        gp_Trsf own;
        try {
            own = PlacementOf(json);
        } catch (const Standard_Failure&) {
            throw Failure(fmt::format(fmt::runtime(kUnevenScale), index));
        }
        // The placement in the document's axes: turned into them on both sides, the
        // translation into millimetres.
        node.placement = myAxes * own * myAxes.Inverted();
        node.placement.SetTranslationPart(node.placement.TranslationPart() * kMillimetres);
        return node;
    }

    // A node's "matrix" (column by column), or its translation, rotation and scale.
    static gp_Trsf PlacementOf(const nlohmann::json& json)
    {
        gp_Trsf placement;
        if (json.contains("matrix")) {
            const std::vector<double> m = json["matrix"].get<std::vector<double>>();
            if (m.size() == 16) {
                placement.SetValues(m[0], m[4], m[8], m[12], m[1], m[5], m[9], m[13], m[2], m[6],
                                    m[10], m[14]);
            }
            return placement;
        }
        const std::vector<double> t = json.value("translation", std::vector<double>{0, 0, 0});
        const std::vector<double> r = json.value("rotation", std::vector<double>{0, 0, 0, 1});
        const std::vector<double> s = json.value("scale", std::vector<double>{1, 1, 1});
        if (t.size() != 3 || r.size() != 4 || s.size() != 3 || s[0] != s[1] || s[0] != s[2]) {
            throw Standard_Failure("uneven");
        }
        placement.SetRotation(gp_Quaternion(r[0], r[1], r[2], r[3]));
        if (s[0] != 1.0) {
            placement.SetScaleFactor(s[0]);
        }
        placement.SetTranslationPart(gp_XYZ(t[0], t[1], t[2]));
        return placement;
    }

    GltfScene::Mesh MeshOf(const nlohmann::json& json)
    {
        GltfScene::Mesh mesh;
        for (const nlohmann::json& primitive : Items(json, "primitives")) {
            const nlohmann::json& attributes = primitive.at("attributes");
            if (!attributes.contains("POSITION")) {
                continue;
            }
            const std::vector<gp_XYZ> points = Points(attributes["POSITION"].get<int>());
            for (const gp_XYZ& point : points) {
                mesh.box.Add(gp_Pnt(point));
            }
            if (primitive.value("mode", kTriangles) != kTriangles) {
                continue;
            }
            mesh.area += Area(points, primitive);
            mesh.colours.push_back(ColourOf(primitive.value("material", -1)));
        }
        return mesh;
    }

    double Area(const std::vector<gp_XYZ>& points, const nlohmann::json& primitive)
    {
        std::vector<uint32_t> indices;
        if (primitive.contains("indices")) {
            indices = Indices(primitive["indices"].get<int>());
        } else {
            for (uint32_t i = 0; i < points.size(); ++i) {
                indices.push_back(i);
            }
        }
        double area = 0.0;
        for (size_t i = 0; i + 2 < indices.size(); i += 3) {
            if (std::max({indices[i], indices[i + 1], indices[i + 2]}) >= points.size()) {
                throw Failure(fmt::format(fmt::runtime(kPastEnd), primitive["indices"].get<int>()));
            }
            const gp_XYZ& a = points[indices[i]];
            area +=
                0.5 * (points[indices[i + 1]] - a).Crossed(points[indices[i + 2]] - a).Modulus();
        }
        return area;
    }

    // glTF's default material is white.
    Quantity_Color ColourOf(int material) const
    {
        const nlohmann::json& materials = Items(myJson, "materials");
        std::vector<double> factor{1.0, 1.0, 1.0, 1.0};
        if (material >= 0 && static_cast<size_t>(material) < materials.size()) {
            factor = materials[static_cast<size_t>(material)]
                         .value("pbrMetallicRoughness", nlohmann::json::object())
                         .value("baseColorFactor", factor);
        }
        factor.resize(3, 1.0);
        return Quantity_Color(factor[0], factor[1], factor[2], Quantity_TOC_RGB);
    }

    // The bytes of an accessor's elements: where the first starts, and the step between them.
    struct Elements {
        const char* first;
        size_t stride;
        size_t count;
        int componentType;
    };

    Elements ElementsOf(int index, size_t elementBytes)
    {
        const nlohmann::json& accessor = myJson.at("accessors").at(static_cast<size_t>(index));
        const nlohmann::json& view =
            myJson.at("bufferViews").at(accessor.at("bufferView").get<size_t>());
        const std::string& buffer = Buffer(view.value("buffer", 0));
        const size_t stride = view.value("byteStride", elementBytes);
        const size_t count = accessor.at("count").get<size_t>();
        const size_t viewStart = view.value("byteOffset", size_t(0));
        const size_t viewLength = view.at("byteLength").get<size_t>();
        const size_t start = viewStart + accessor.value("byteOffset", size_t(0));
        // Every size is the file's own: the end is never multiplied out, since a count of 2^62
        // would wrap it around to inside the buffer, and a start that wrapped is below the
        // view's.
        const size_t viewEnd = viewStart >= buffer.size()
                                   ? viewStart
                                   : viewStart + std::min(viewLength, buffer.size() - viewStart);
        const int type = accessor.at("componentType").get<int>();
        if (count == 0) {
            return {buffer.data(), stride, 0, type};
        }
        const bool fits = start >= viewStart && start <= viewEnd &&
                          elementBytes <= viewEnd - start &&
                          (stride == 0 || count - 1 <= (viewEnd - start - elementBytes) / stride);
        if (!fits) {
            throw Failure(fmt::format(fmt::runtime(kPastEnd), index));
        }
        return {buffer.data() + start, stride, count, type};
    }

    std::vector<gp_XYZ> Points(int accessor)
    {
        const Elements elements = ElementsOf(accessor, 12);
        if (elements.componentType != kFloat) {
            throw Failure(fmt::format(fmt::runtime(kNotFloats), accessor));
        }
        std::vector<gp_XYZ> points;
        points.reserve(elements.count);
        for (size_t i = 0; i < elements.count; ++i) {
            float xyz[3];
            std::memcpy(xyz, elements.first + i * elements.stride, sizeof(xyz));
            points.push_back(ToDocument(myAxes, xyz[0], xyz[1], xyz[2]));
        }
        return points;
    }

    // Unsigned bytes, shorts or ints, as glTF allows indices to be.
    std::vector<uint32_t> Indices(int accessor)
    {
        const int type =
            myJson.at("accessors").at(static_cast<size_t>(accessor)).at("componentType");
        const size_t size = type == 5121 ? 1 : type == 5123 ? 2 : 4;
        const Elements elements = ElementsOf(accessor, size);
        std::vector<uint32_t> indices(elements.count);
        for (size_t i = 0; i < elements.count; ++i) {
            uint32_t value = 0;
            std::memcpy(&value, elements.first + i * elements.stride, size);
            indices[i] = value;
        }
        return indices;
    }

    // A buffer: the GLB's binary chunk, a data URI, or a file beside the scene's.
    const std::string& Buffer(int index)
    {
        if (const auto known = myBuffers.find(index); known != myBuffers.end()) {
            return known->second;
        }
        const nlohmann::json& buffer = myJson.at("buffers").at(static_cast<size_t>(index));
        std::string& bytes = myBuffers[index];
        if (!buffer.contains("uri")) {
            bytes = myGlbBinary;
            return bytes;
        }
        const std::string uri = buffer["uri"].get<std::string>();
        if (uri.rfind("data:", 0) == 0) {
            const size_t data = uri.find(kBase64Prefix);
            if (data == std::string::npos) {
                throw Failure(fmt::format(fmt::runtime(kNoBuffer), index));
            }
            bytes = FromBase64(uri, data + std::strlen(kBase64Prefix));
            return bytes;
        }
        std::ifstream in(std::filesystem::path(myPath).parent_path() / uri, std::ios::binary);
        if (!in) {
            throw Failure(fmt::format(fmt::runtime(kNoBuffer), index));
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return bytes;
    }

    std::string myPath;
    nlohmann::json myJson;
    std::string myGlbBinary;
    std::map<int, std::string> myBuffers;
    gp_Trsf myAxes = ToDocumentAxes();
};

} // namespace

bool GltfScene::Read(const std::string& path, std::string& failure)
{
    myNodes.clear();
    myMeshes.clear();
    myRoots.clear();
    try {
        SceneParse(path).Parse(myNodes, myMeshes, myRoots);
    } catch (const Failure& error) {
        failure = error.what();
        return false;
    } catch (const nlohmann::json::exception& error) {
        failure = fmt::format(fmt::runtime(kBadJson), error.what());
        return false;
    }
    // Each node under one parent at most, and a root under none: the walk down from the roots
    // then meets every node once, whatever cycles the file draws among the rest.
    std::vector<int> parents(myNodes.size(), 0);
    for (int root : myRoots) {
        ++parents[static_cast<size_t>(root)];
    }
    for (const Node& node : myNodes) {
        for (int child : node.children) {
            if (child < 0 || static_cast<size_t>(child) >= myNodes.size()) {
                failure = fmt::format(fmt::runtime(kNoNode), child);
                return false;
            }
            if (++parents[static_cast<size_t>(child)] > 1) {
                failure = fmt::format(fmt::runtime(kNotATree), child);
                return false;
            }
        }
        if (node.mesh >= static_cast<int>(myMeshes.size())) {
            failure = fmt::format(fmt::runtime(kMeshMissing), node.mesh);
            return false;
        }
    }
    return true;
}

} // namespace orvkit
