#include "ObjScene.h"

#include <gp_XYZ.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <unordered_map>

namespace orvkit {

namespace {

const char* const kObjCannotOpen = "cannot open the file";
const char* const kNoVertex = "line {}: a face names vertex {}, which is not there";

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    const size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The diffuse colours of a material library, by material name.
std::map<std::string, Quantity_Color> ReadMaterials(const std::filesystem::path& file)
{
    std::map<std::string, Quantity_Color> colours;
    std::ifstream in(file);
    std::string line;
    std::string current;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "newmtl") {
            current = Trimmed(line.substr(line.find("newmtl") + 6));
        } else if (key == "Kd") {
            double r = 0.0, g = 0.0, b = 0.0;
            words >> r >> g >> b;
            colours[current] = Quantity_Color(std::clamp(r, 0.0, 1.0), std::clamp(g, 0.0, 1.0),
                                              std::clamp(b, 0.0, 1.0), Quantity_TOC_sRGB);
        }
    }
    return colours;
}

} // namespace

bool ObjScene::Read(const std::string& path, std::string& failure)
{
    myGroups.clear();
    std::ifstream in(path);
    if (!in) {
        failure = kObjCannotOpen;
        return false;
    }
    std::map<std::string, Quantity_Color> materials;
    std::unordered_map<std::string, size_t> groupIndex;
    std::vector<gp_XYZ> vertices;
    std::optional<Quantity_Color> colour;
    size_t group = 0;
    const auto enter = [&](const std::string& name) {
        const auto [at, added] = groupIndex.emplace(name, myGroups.size());
        if (added) {
            myGroups.push_back({name, 0.0, Bnd_Box(), {}});
        }
        group = at->second;
    };
    enter(std::string());
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "v") {
            double x = 0.0, y = 0.0, z = 0.0;
            words >> x >> y >> z;
            vertices.emplace_back(x, y, z);
        } else if (key == "g" || key == "o") {
            enter(GroupName(line.substr(line.find(key) + 1)));
        } else if (key == "mtllib") {
            materials = ReadMaterials(std::filesystem::path(path).parent_path() /
                                      Trimmed(line.substr(line.find(key) + 6)));
        } else if (key == "usemtl") {
            const auto found = materials.find(Trimmed(line.substr(line.find(key) + 6)));
            colour = found != materials.end() ? std::optional(found->second) : std::nullopt;
        } else if (key == "f") {
            std::vector<gp_XYZ> corners;
            for (std::string corner; words >> corner;) {
                // "v", "v/t", "v//n" or "v/t/n"; negative counts back from the last vertex.
                const long index = std::strtol(corner.c_str(), nullptr, 10);
                const long resolved =
                    index < 0 ? static_cast<long>(vertices.size()) + index : index - 1;
                if (resolved < 0 || static_cast<size_t>(resolved) >= vertices.size()) {
                    failure = fmt::format(kNoVertex, number, index);
                    myGroups.clear();
                    return false;
                }
                corners.push_back(vertices[static_cast<size_t>(resolved)]);
            }
            Group& current = myGroups[group];
            for (size_t i = 0; i < corners.size(); ++i) {
                current.box.Add(gp_Pnt(corners[i]));
                if (i >= 2) {
                    current.area +=
                        0.5 *
                        (corners[i - 1] - corners[0]).Crossed(corners[i] - corners[0]).Modulus();
                }
            }
            if (colour && std::find(current.colours.begin(), current.colours.end(), *colour) ==
                              current.colours.end()) {
                current.colours.push_back(*colour);
            }
        }
    }
    // The group of no name is kept only when faces came before the first group.
    if (myGroups.front().box.IsVoid()) {
        myGroups.erase(myGroups.begin());
    }
    return true;
}

std::string ObjScene::GroupName(const std::string& written)
{
    return Trimmed(written.substr(0, written.find('\n')));
}

} // namespace orvkit
