#include "ViewPage.h"

#include "DocumentPrinter.h"
#include "FileDiagnosis.h"
#include "PrintFormat.h"
#include "ViewAssets.h"

#include "Common/Core/StringUtil.h"
#include "Graphics/BrepSceneNode.h"
#include "Graphics/GroupSceneNode.h"
#include "Graphics/MaterialInstance.h"
#include "Graphics/SceneGltf.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <fstream>
#include <sstream>

namespace orvex::cli {

namespace {

// "Ø12.7 +0.08/-0.03": the value as the program prints dimensions, marked as drawings mark
// diameters, radii and angles.
std::string DimensionLabel(const nlohmann::json& element)
{
    const std::string kind = element.value("kind", std::string());
    std::string label =
        element["value"].is_number() ? Number(element["value"].get<double>()) : std::string("?");
    if (kind == "Diameter") {
        label = "\u00d8" + label;
    } else if (kind == "Radius") {
        label = "R" + label;
    } else if (kind == "Angular") {
        label += "\u00b0";
    }
    const nlohmann::json& tolerance = element["tolerance"];
    if (tolerance["kind"].get<std::string>() != "none") {
        label +=
            " " + DeviationText(tolerance["upper"].get<double>(), tolerance["lower"].get<double>(),
                                tolerance["kind"] == "plus-minus");
    }
    return label;
}

// JSON text that can stand inside a script element: "</" would end it.
std::string ForScript(std::string json)
{
    for (size_t at = json.find("</"); at != std::string::npos; at = json.find("</", at + 2)) {
        json.replace(at, 2, "<\\/");
    }
    return json;
}

// The element tree with what the page shows, and no more: placements come from the model.
std::string CompactTree(const orvkit::Document& document, const std::string& file)
{
    const nlohmann::json full = DocumentPrinter(document).ToJson();
    nlohmann::json elements = nlohmann::json::array();
    for (const nlohmann::json& element : full["elements"]) {
        nlohmann::json kept{
            {"id", element["id"]}, {"class", element["class"]}, {"name", element["name"]}};
        for (const char* key : {"parent", "children", "prototype", "color"}) {
            if (element.contains(key)) {
                kept[key] = element[key];
            }
        }
        if (element.contains("alias") && !element["alias"].get<std::string>().empty()) {
            kept["alias"] = element["alias"];
        }
        if (element.contains("textPoint")) {
            kept["textPoint"] = element["textPoint"];
            kept["label"] = DimensionLabel(element);
            nlohmann::json targets = nlohmann::json::array();
            for (const nlohmann::json& target : element["targets"]) {
                if (target.is_object()) {
                    targets.push_back({target["element"], target["shapeType"], target["index"]});
                }
            }
            kept["targets"] = std::move(targets);
        }
        elements.push_back(std::move(kept));
    }
    const nlohmann::json tree{{"file", file},
                              {"elements", elements},
                              {"roots", full["roots"]},
                              {"summary", full["summary"]}};
    return ForScript(tree.dump());
}

// The scene's nodes in depth-first order from 1, as SceneGltf names them.
void AddSceneNode(const orvkit::SceneNode& node, int parent, nlohmann::json& elements)
{
    const int id = static_cast<int>(elements.size()) + 1;
    nlohmann::json element{{"id", id}};
    if (parent > 0) {
        element["parent"] = parent;
        elements[static_cast<size_t>(parent - 1)]["children"].push_back(id);
    }
    if (const auto* brep = dynamic_cast<const orvkit::BrepSceneNode*>(&node)) {
        const orvkit::MaterialInstance* material = brep->GetFaceMaterial();
        element["class"] = "BrepSceneNode";
        element["name"] = material != nullptr && !material->GetName().empty()
                              ? material->GetName()
                              : std::string("shape");
        if (material != nullptr) {
            const glm::vec3& c = material->GetColor();
            element["color"] = ToSrgbHex(c.r, c.g, c.b);
        }
        elements.push_back(std::move(element));
        return;
    }
    element["class"] = "GroupSceneNode";
    element["name"] = "group";
    element["children"] = nlohmann::json::array();
    elements.push_back(std::move(element));
    if (const auto* group = dynamic_cast<const orvkit::GroupSceneNode*>(&node)) {
        for (const auto& child : group->GetChildren()) {
            AddSceneNode(*child, id, elements);
        }
    }
}

std::string SceneTree(const orvkit::SceneNode& root, const std::string& file)
{
    nlohmann::json elements = nlohmann::json::array();
    AddSceneNode(root, 0, elements);
    nlohmann::json summary = nlohmann::json::object();
    for (const nlohmann::json& element : elements) {
        summary[element["class"].get<std::string>()] =
            summary.value(element["class"].get<std::string>(), 0) + 1;
    }
    return ForScript(
        nlohmann::json{{"file", file}, {"elements", elements}, {"roots", {1}}, {"summary", summary}}
            .dump());
}

bool ReadText(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return in.good() || in.eof() ? !text.empty() : false;
}

} // namespace

ViewPage::ViewPage(const orvkit::Document& document, const std::string& file)
    : myTree(CompactTree(document, file))
{
    const orvkit::SceneGltf scene(document);
    myModel = ForScript(scene.GetJson());
    myBuffer = orvkit::StringUtil::ToBase64(scene.GetBinary());
}

ViewPage::ViewPage(const orvkit::SceneNode& root, const std::string& file)
    : myTree(SceneTree(root, file))
{
    const orvkit::SceneGltf scene(root);
    myModel = ForScript(scene.GetJson());
    myBuffer = orvkit::StringUtil::ToBase64(scene.GetBinary());
}

bool ViewPage::Write(const std::string& path, std::string& error) const
{
    std::string three, controls, loader;
    const std::string directory = ThreeDirectory();
    if (!ReadText(directory + "/three.min.js", three) ||
        !ReadText(directory + "/examples/js/controls/OrbitControls.js", controls) ||
        !ReadText(directory + "/examples/js/loaders/GLTFLoader.js", loader)) {
        error = "three.js is not installed in " + directory + " (Debian package libjs-three)";
        return false;
    }
    // Each mark is replaced once, in order, so that nothing inserted is taken for a mark.
    const std::pair<const char*, const std::string*> parts[] = {{"ORVEX_TREE", &myTree},
                                                                {"ORVEX_MODEL", &myModel},
                                                                {"ORVEX_BUFFER", &myBuffer},
                                                                {"ORVEX_THREE", &three},
                                                                {"ORVEX_ORBIT_CONTROLS", &controls},
                                                                {"ORVEX_GLTF_LOADER", &loader},
                                                                {"ORVEX_VIEWER", nullptr}};
    const std::string viewer = ViewerScript();
    const std::string page = PageTemplate();
    std::string html;
    size_t from = 0;
    for (const auto& [mark, text] : parts) {
        const size_t at = page.find(mark, from);
        html.append(page, from, at - from);
        html += text != nullptr ? *text : viewer;
        from = at + std::strlen(mark);
    }
    html.append(page, from, std::string::npos);

    return WriteOutput(
        path, "HTML",
        [&html](const std::string& file) {
            std::ofstream out(file, std::ios::binary);
            out << html;
            out.close();
            return out.good();
        },
        error);
}

} // namespace orvex::cli
