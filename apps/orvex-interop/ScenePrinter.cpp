#include "ScenePrinter.h"

#include "PrintFormat.h"

#include "Graphics/BrepSceneNode.h"
#include "Graphics/GroupSceneNode.h"
#include "Graphics/MaterialInstance.h"
#include "Graphics/MaterialTemplate.h"

#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>
#include <gp_Mat.hxx>

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <set>

namespace orvex::cli {

using namespace orvkit;

namespace {

// Transforms come through single precision: seven significant digits is all they hold.
const int kDigits = 7;

double Rounded(double value)
{
    if (std::abs(value) < 5e-10) {
        return 0;
    }
    const std::string text = fmt::format("{:.{}g}", value, kDigits);
    double rounded = value;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    return rounded;
}

std::string Triple(double x, double y, double z)
{
    return "(" + Number(Rounded(x)) + ", " + Number(Rounded(y)) + ", " + Number(Rounded(z)) + ")";
}

nlohmann::json JsonTriple(double x, double y, double z)
{
    return {Rounded(x), Rounded(y), Rounded(z)};
}

bool IsIdentity(const Placement& placement)
{
    return placement.translation.Modulus() < 5e-10 && placement.angleDegrees == 0 &&
           Rounded(placement.scale) == 1;
}

// The placement of a node transform; its last row is taken to be (0, 0, 0, 1).
Placement ToPlacement(const glm::dmat4& m)
{
    const gp_Mat linear(m[0][0], m[1][0], m[2][0], m[0][1], m[1][1], m[2][1], m[0][2], m[1][2],
                        m[2][2]);
    return cli::ToPlacement(gp_XYZ(m[3][0], m[3][1], m[3][2]), linear);
}

const char* FaceSideName(EnumFaceSide side)
{
    switch (side) {
    case FaceSideFront:
        return "front";
    case FaceSideBack:
        return "back";
    case FaceSideDouble:
        return "double";
    }
    return "unknown";
}

// The box of the shape's points, without the tolerance margin OpenCASCADE adds; void for a
// shape with no geometry.
Bnd_Box BoundingBox(const TopoShape& shape)
{
    Bnd_Box box;
    BRepBndLib::Add(shape.GetImpl(), box, true);
    box.SetGap(0.0);
    return box;
}

std::string Hex(const glm::vec3& linear)
{
    return ToSrgbHex(linear.r, linear.g, linear.b);
}

std::string MaterialText(const MaterialInstance* material)
{
    if (material == nullptr) {
        return "none";
    }
    std::string text = fmt::format("\"{}\" template={} color={}", material->GetName(),
                                   material->GetTemplate()->GetName(), Hex(material->GetColor()));
    for (const auto& [name, value] : material->GetUniforms()) {
        text += " " + name + "=" + Hex(value);
    }
    return text + " side=" + FaceSideName(material->GetFaceSide());
}

nlohmann::json MaterialToJson(const MaterialInstance* material)
{
    if (material == nullptr) {
        return nullptr;
    }
    nlohmann::json uniforms = nlohmann::json::object();
    for (const auto& [name, value] : material->GetUniforms()) {
        uniforms[name] = Hex(value);
    }
    return {{"name", material->GetName()},
            {"template", material->GetTemplate()->GetName()},
            {"color", Hex(material->GetColor())},
            {"uniforms", uniforms},
            {"faceSide", FaceSideName(material->GetFaceSide())}};
}

} // namespace

ScenePrinter::ScenePrinter(const SceneNode& root) : myRoot(root)
{
    std::set<const MaterialInstance*> materials;
    // The tree may share a node between groups; each place it appears counts.
    std::vector<const SceneNode*> pending{&root};
    while (!pending.empty()) {
        const SceneNode* node = pending.back();
        pending.pop_back();
        if (const auto* group = dynamic_cast<const GroupSceneNode*>(node)) {
            ++myGroups;
            for (const auto& child : group->GetChildren()) {
                pending.push_back(child.get());
            }
        } else if (const auto* brep = dynamic_cast<const BrepSceneNode*>(node)) {
            ++myBreps;
            materials.insert(brep->GetFaceMaterial());
            materials.insert(brep->GetEdgeMaterial());
        }
    }
    materials.erase(nullptr);
    myMaterials = static_cast<int>(materials.size());
}

void ScenePrinter::PrintText(std::ostream& out, const std::string& title) const
{
    out << title << "\n";
    PrintNode(out, myRoot, 1);
    out << "Summary: " << Plural(myGroups, "group") << ", " << Plural(myBreps, "B-rep node") << ", "
        << Plural(myMaterials, "material") << "\n";
}

void ScenePrinter::PrintNode(std::ostream& out, const SceneNode& node, int depth) const
{
    out << std::string(static_cast<size_t>(depth) * 2, ' ');
    const auto* group = dynamic_cast<const GroupSceneNode*>(&node);
    const auto* brep = dynamic_cast<const BrepSceneNode*>(&node);
    out << (group != nullptr ? "Group" : brep != nullptr ? "BRep" : "Node");
    const Placement placement = ToPlacement(node.GetTransform());
    if (!IsIdentity(placement)) {
        const gp_XYZ& t = placement.translation;
        out << " at " << Triple(t.X(), t.Y(), t.Z());
        if (placement.angleDegrees != 0) {
            out << " rotated " << Number(Rounded(placement.angleDegrees)) << " deg about "
                << Triple(placement.axis.X(), placement.axis.Y(), placement.axis.Z());
        }
        if (Rounded(placement.scale) != 1) {
            out << " scaled " << Number(Rounded(placement.scale));
        }
    }
    if (brep != nullptr) {
        if (const std::shared_ptr<TopoShape>& shape = brep->GetTopoShape()) {
            out << " " << ShapeTypeName(shape->GetShapeType())
                << " faces=" << shape->CountChildren(TopoShapeFace)
                << " edges=" << shape->CountChildren(TopoShapeEdge);
            const Bnd_Box box = BoundingBox(*shape);
            if (!box.IsVoid()) {
                const gp_Pnt low = box.CornerMin();
                const gp_Pnt high = box.CornerMax();
                out << " box=" << Triple(low.X(), low.Y(), low.Z()) << ".."
                    << Triple(high.X(), high.Y(), high.Z());
            }
        } else {
            out << " no shape";
        }
        out << " material=" << MaterialText(brep->GetFaceMaterial());
        if (brep->GetEdgeMaterial() != brep->GetFaceMaterial()) {
            out << " edge-material=" << MaterialText(brep->GetEdgeMaterial());
        }
    }
    out << "\n";
    if (group != nullptr) {
        for (const auto& child : group->GetChildren()) {
            PrintNode(out, *child, depth + 1);
        }
    }
}

nlohmann::json ScenePrinter::ToJson() const
{
    return {{"root", NodeToJson(myRoot)},
            {"summary", {{"groups", myGroups}, {"breps", myBreps}, {"materials", myMaterials}}},
            {"colorSpace", "sRGB"}};
}

nlohmann::json ScenePrinter::NodeToJson(const SceneNode& node) const
{
    const Placement placement = ToPlacement(node.GetTransform());
    const gp_XYZ& t = placement.translation;
    nlohmann::json json{
        {"translation", JsonTriple(t.X(), t.Y(), t.Z())},
        {"rotation",
         {{"axis", JsonTriple(placement.axis.X(), placement.axis.Y(), placement.axis.Z())},
          {"angleDegrees", Rounded(placement.angleDegrees)}}},
        {"scale", Rounded(placement.scale)}};
    if (const auto* group = dynamic_cast<const GroupSceneNode*>(&node)) {
        json["kind"] = "group";
        nlohmann::json children = nlohmann::json::array();
        for (const auto& child : group->GetChildren()) {
            children.push_back(NodeToJson(*child));
        }
        json["children"] = std::move(children);
    } else if (const auto* brep = dynamic_cast<const BrepSceneNode*>(&node)) {
        json["kind"] = "brep";
        const std::shared_ptr<TopoShape>& shape = brep->GetTopoShape();
        json["shapeType"] =
            shape ? nlohmann::json(ShapeTypeName(shape->GetShapeType())) : nlohmann::json();
        json["faces"] = shape ? shape->CountChildren(TopoShapeFace) : 0;
        json["edges"] = shape ? shape->CountChildren(TopoShapeEdge) : 0;
        const Bnd_Box box = shape ? BoundingBox(*shape) : Bnd_Box();
        if (box.IsVoid()) {
            json["boundingBox"] = nullptr;
        } else {
            const gp_Pnt low = box.CornerMin();
            const gp_Pnt high = box.CornerMax();
            json["boundingBox"] = {{"min", JsonTriple(low.X(), low.Y(), low.Z())},
                                   {"max", JsonTriple(high.X(), high.Y(), high.Z())}};
        }
        json["faceMaterial"] = MaterialToJson(brep->GetFaceMaterial());
        json["edgeMaterial"] = MaterialToJson(brep->GetEdgeMaterial());
    }
    return json;
}

} // namespace orvex::cli
