#include "orvex/Page.h"

#include "PageWrite.h"
#include "ReportJson.h"
#include "ViewAssets.h"
#include "WriteSupport.h"

#include "Common/Core/LoadFailure.h"
#include "Common/Core/ParameterCreator.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"
#include "Data/App/CommandContext.h"
#include "Data/App/CommandManager.h"
#include "Data/App/DocumentManager.h"
#include "Data/App/DocumentPrinter.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ReplacingWrite.h"
#include "Geometry/Kernel/ValueText.h"
#include "Graphics/BrepSceneNode.h"
#include "Graphics/GroupSceneNode.h"
#include "Graphics/MaterialInstance.h"
#include "Graphics/SceneExchangeManager.h"
#include "Graphics/SceneGltf.h"
#include "Interop/Kernel/PmiWords.h"
#include "InteropKeys.h"
#include "Xde2Doc.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <fstream>
#include <sstream>

namespace orvex {

namespace {

// "Ø12.7 +0.08/-0.03": the value as the program prints dimensions, marked as drawings mark
// diameters, radii and angles.
std::string DimensionLabel(const nlohmann::json& element)
{
    const std::string kind = element.value("kind", std::string());
    std::string label = element["value"].is_number()
                            ? orvkit::Number(element["value"].get<double>())
                            : std::string("?");
    if (kind == "Diameter") {
        label = "\u00d8" + label;
    } else if (kind == "Radius") {
        label = "R" + label;
    } else if (kind == "Angular") {
        label += "\u00b0";
    }
    const nlohmann::json& tolerance = element["tolerance"];
    if (tolerance["kind"].get<std::string>() != "none") {
        label += " " + orvkit::DeviationText(tolerance["upper"].get<double>(),
                                             tolerance["lower"].get<double>(),
                                             tolerance["kind"] == "plus-minus");
    }
    return label;
}

// A dimension of another type: its value with its deviations, marked as drawings mark spheres,
// or its type in words when the file gives no value ("location").
std::string OtherDimensionLabel(const nlohmann::json& element)
{
    const std::string type = element.value("type", std::string());
    if (!element["value"].is_number()) {
        return type;
    }
    const std::string label = DimensionLabel(element);
    if (type == "spherical diameter") {
        return "S\u2300" + label;
    }
    return type == "spherical radius" ? "SR" + label : label;
}

// The cells of a PMI item's label as a drawing shows them. A feature control frame: the
// tolerance's symbol, its zone with the zone's shape, material condition and modifiers, then
// one cell for each datum ("⌖", "⌀0.15 Ⓛ", "G", "H"). A datum or a datum target: its label.
nlohmann::json PmiCells(const nlohmann::json& element)
{
    const std::string kind = element.value("kind", std::string());
    if (kind == "Datum" || kind == "DatumTarget") {
        return {element["label"]};
    }
    if (kind != "GeometricTolerance") {
        return {OtherDimensionLabel(element)};
    }
    const std::string type = element.value("type", std::string());
    const std::string symbol = orvkit::PmiWords::ToleranceSymbol(type);
    std::string zone = element["zone"] == "diameter"             ? "\u2300"
                       : element["zone"] == "spherical diameter" ? "S\u2300"
                                                                 : "";
    zone += element["value"].is_number() ? orvkit::Number(element["value"].get<double>()) : "";
    std::vector<std::string> modifiers{element["materialModifier"].get<std::string>(),
                                       element["zoneModifier"].get<std::string>()};
    for (const nlohmann::json& modifier : element["modifiers"]) {
        modifiers.push_back(modifier.get<std::string>());
    }
    for (const std::string& modifier : modifiers) {
        zone += modifier.empty() ? "" : " " + orvkit::PmiWords::ModifierSymbol(modifier);
    }
    nlohmann::json cells{symbol.empty() ? type : symbol, zone};
    for (const nlohmann::json& datum : element["datums"]) {
        std::string cell = datum["label"].get<std::string>();
        for (const nlohmann::json& word : datum["modifiers"]) {
            const std::string modifier = word.get<std::string>();
            const std::string shown = orvkit::PmiWords::ModifierSymbol(modifier);
            cell += shown == modifier ? " " + modifier : shown;
        }
        cells.push_back(cell);
    }
    return cells;
}

// Targets as the page draws them: [element, "Face" or "Edge", index].
nlohmann::json CompactTargets(const nlohmann::json& targets)
{
    nlohmann::json compact = nlohmann::json::array();
    for (const nlohmann::json& target : targets) {
        if (target.is_object()) {
            compact.push_back({target["element"], target["shapeType"], target["index"]});
        }
    }
    return compact;
}

// What the page draws for a PMI item: its kind, its label's cells, where the file puts its
// text (when it does), what it controls, and the datums whose features it refers to.
void KeepPmi(const nlohmann::json& element, nlohmann::json& kept)
{
    kept["pmi"] = element["kind"];
    kept["type"] = element["type"];
    kept["cells"] = PmiCells(element);
    std::string label;
    for (const nlohmann::json& cell : kept["cells"]) {
        label += (label.empty() ? "" : " | ") + cell.get<std::string>();
    }
    kept["label"] = label;
    if (element["textPosition"].is_array()) {
        kept["textPosition"] = element["textPosition"];
    }
    kept["targets"] = CompactTargets(element["targets"]);
    nlohmann::json datums = nlohmann::json::array();
    for (const nlohmann::json& datum : element["datums"]) {
        if (datum["element"].is_number()) {
            datums.push_back(datum["element"]);
        }
    }
    kept["datums"] = std::move(datums);
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
    const nlohmann::json full = orvkit::DocumentPrinter(document).ToJson();
    nlohmann::json elements = nlohmann::json::array();
    for (const nlohmann::json& element : full["elements"]) {
        nlohmann::json kept{
            {"id", element["id"]}, {"class", element["class"]}, {"name", element["name"]}};
        for (const char* key : {"parent", "children", "prototype", "color", "facts"}) {
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
            kept["targets"] = CompactTargets(element["targets"]);
        } else if (element["class"] == "PmiElement") {
            KeepPmi(element, kept);
        }
        elements.push_back(std::move(kept));
    }
    const nlohmann::json tree{{"file", file},
                              {"elements", elements},
                              {"roots", full["roots"]},
                              {"summary", full["summary"]}};
    return ForScript(tree.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
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
            element["color"] = orvkit::ToSrgbHex(c.r, c.g, c.b);
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
            .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

bool ReadText(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return in.good() || in.eof() ? !text.empty() : false;
}

// What a page shows: the element tree, and the model as glTF (its JSON as text, its buffer in
// base64), each ready to stand inside a script element.
struct PageContent {
    std::string tree;
    std::string model;
    std::string buffer;
};

PageContent ContentOf(const orvkit::Document& document, const std::string& file)
{
    const orvkit::SceneGltf scene(document);
    return {CompactTree(document, file), ForScript(scene.GetJson()),
            orvkit::StringUtil::ToBase64(scene.GetBinary())};
}

// A display scene's page (a VRML file's): its tree lists the scene's groups and shapes, the
// latter named and coloured by their face material.
PageContent ContentOf(const orvkit::SceneNode& root, const std::string& file)
{
    const orvkit::SceneGltf scene(root);
    return {SceneTree(root, file), ForScript(scene.GetJson()),
            orvkit::StringUtil::ToBase64(scene.GetBinary())};
}

// Reads `file` into what its page shows: STEP and IGES through Xde2Doc, scenes through the
// scene readers, anything else through the "Import" command (with the file as its parameter,
// so that no dialog opens). False with why in `failure`.
bool ReadContent(const std::string& file, PageContent& content, ReadFailure& failure)
{
    using namespace orvkit;
    const ModelFormat* format = ModelFormat::ForPath(file);
    if (format != nullptr && format->kind == ModelFormat::KindCad) {
        Xde2Doc converter;
        if (!converter.LoadIgnoringCase(file)) {
            failure = ToReadFailure(file, converter.GetLastFailure());
            return false;
        }
        converter.Transfer();
        content = ContentOf(*converter.GetDocument(), file);
        return true;
    }
    // The readers below record why they failed, if they did, for this thread.
    LoadFailure::Clear();
    if (SceneExchangeManager::Instance().FindReader(PathUtil::Extension(file)) != nullptr) {
        const std::shared_ptr<SceneNode> root = SceneExchangeManager::Instance().Load(file);
        if (!root) {
            failure = ToReadFailure(file, LoadFailure::Last());
            return false;
        }
        content = ContentOf(*root, file);
        return true;
    }
    const std::shared_ptr<Document> document = DocumentManager::Instance().NewDocument();
    ParameterDict parameters;
    parameters.Add(InteropKeys::FilePath, ParameterCreator::Create(file));
    CommandContext context(document.get(), &parameters, nullptr);
    const bool done = CommandManager::Instance().BatchRun(InteropKeys::ImportCommand, &context);
    if (done) {
        content = ContentOf(*document, file);
    } else {
        failure = ToReadFailure(file, LoadFailure::Last());
        if (failure.kind.empty()) {
            failure = {"not readable", file, context.GetFailure()};
        }
    }
    DocumentManager::Instance().CloseDocument(document.get());
    return done;
}

// The page's HTML: the template with each mark replaced once, in order, so that nothing
// inserted is taken for a mark. False with the reason when three.js is not installed.
bool PageHtml(const PageContent& content, std::string& html, std::string& reason)
{
    std::string three, controls, loader;
    const std::string directory = detail::ThreeDirectory();
    if (!ReadText(directory + "/three.min.js", three) ||
        !ReadText(directory + "/examples/js/controls/OrbitControls.js", controls) ||
        !ReadText(directory + "/examples/js/loaders/GLTFLoader.js", loader)) {
        reason = "three.js is not installed in " + directory + " (Debian package libjs-three)";
        return false;
    }
    const std::string viewer = detail::ViewerScript();
    const std::pair<const char*, const std::string*> parts[] = {{"ORVEX_TREE", &content.tree},
                                                                {"ORVEX_MODEL", &content.model},
                                                                {"ORVEX_BUFFER", &content.buffer},
                                                                {"ORVEX_THREE", &three},
                                                                {"ORVEX_ORBIT_CONTROLS", &controls},
                                                                {"ORVEX_GLTF_LOADER", &loader},
                                                                {"ORVEX_VIEWER", &viewer}};
    const std::string page = detail::PageTemplate();
    size_t from = 0;
    for (const auto& [mark, text] : parts) {
        const size_t at = page.find(mark, from);
        html.append(page, from, at - from);
        html += *text;
        from = at + std::strlen(mark);
    }
    html.append(page, from, std::string::npos);
    return true;
}

} // namespace

const std::vector<std::string>& ViewNames()
{
    static const std::vector<std::string> names{"iso",   "front", "back",  "left",
                                                "right", "top",   "bottom"};
    return names;
}

nlohmann::ordered_json PageReport::ToJson() const
{
    return {
        {"input", input},
        {"output", output},
        {"ok", Ok()},
        {"failure", failure.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(failure)}};
}

namespace detail {

PageOutcome WritePageFile(const std::string& input, const std::string& page)
{
    PageOutcome outcome;
    PageContent content;
    if (!ReadContent(input, content, outcome.read)) {
        // Every reader records why it failed; a silent one is a fault of ours, said as such.
        if (outcome.read.reason.empty()) {
            outcome.read.reason = "the reader gave no reason";
        }
        return outcome;
    }
    std::string html;
    if (!PageHtml(content, html, outcome.writeReason)) {
        return outcome;
    }
    outcome.writeReason =
        orvkit::ReplaceFile(page, "HTML", [&html](const std::string& file, std::string&) {
            std::ofstream out(file, std::ios::binary);
            out << html;
            out.close();
            return out.good();
        });
    return outcome;
}

} // namespace detail

PageReport WritePage(const std::string& input, const std::string& page)
{
    const detail::PageOutcome outcome = detail::WritePageFile(input, page);
    PageReport report{input, page, outcome.read, {}};
    if (!outcome.read.kind.empty()) {
        report.failure = outcome.read.Text();
    } else if (!outcome.writeReason.empty()) {
        report.failure = detail::CannotWriteText(page, outcome.writeReason);
    }
    return report;
}

} // namespace orvex
