#include "DocumentPrinter.h"

#include "Geometry/IO/LabelProperties.h"

#include "Geometry/Kernel/ValueText.h"

#include "Annotation/AnnotationElement.h"
#include "Annotation/PmiElement.h"
#include "Data/Kernel/CompositeElement.h"
#include "Data/Kernel/CurveElement.h"
#include "Data/Kernel/DrawableElement.h"
#include "Data/Kernel/ExternalDocument.h"
#include "Data/Kernel/ReferenceShape.h"
#include "Data/Kernel/ShapeElement.h"

#include <Quantity_Color.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace orvkit {

namespace {

Placement ToPlacement(const gp_Trsf& transform)
{
    return orvkit::ToPlacement(transform.TranslationPart(), transform.VectorialPart());
}

const char* ToleranceName(EnumToleranceType type)
{
    switch (type) {
    case ToleranceNone:
        return "none";
    case TolerancePlusMinus:
        return "plus-minus";
    case ToleranceRange:
        return "range";
    }
    return "unknown";
}

// The dimension's tolerance as the program prints it.
std::string DeviationText(const AnnotationElement& annotation)
{
    return orvkit::DeviationText(annotation.GetUpperTolerance(), annotation.GetLowerTolerance(),
                                 annotation.GetToleranceType() == TolerancePlusMinus);
}

// The shape a shape or curve element holds; null for other elements.
const TopoShape* HeldShape(const Element& element)
{
    if (const auto* shape = dynamic_cast<const ShapeElement*>(&element)) {
        return shape->GetShape().get();
    }
    if (const auto* curve = dynamic_cast<const CurveElement*>(&element)) {
        return curve->GetShape().get();
    }
    return nullptr;
}

std::vector<const ExternalDocument*> ExternalDocuments(const Document& document)
{
    std::vector<const ExternalDocument*> externals;
    for (const Element* element : document.GetElements()) {
        if (const auto* external = dynamic_cast<const ExternalDocument*>(element)) {
            if (external->GetSubDocument()) {
                externals.push_back(external);
            }
        }
    }
    return externals;
}

std::map<std::string, int> CountByClass(const Document& document)
{
    std::map<std::string, int> counts;
    for (const Element* element : document.GetElements()) {
        ++counts[element->GetClassName()];
    }
    return counts;
}

} // namespace

std::string DocumentPrinter::DescribeTarget(ObjectId targetId) const
{
    const auto* reference = myDocument.FindElementAs<ReferenceShape>(targetId);
    if (reference == nullptr) {
        return "#" + std::to_string(targetId.GetValue()) + " (missing)";
    }
    const PickedId& picked = reference->GetPickedId();
    const Element* owner = myDocument.FindElement(picked.GetElementId());
    return fmt::format("\"{}\" {} {}", owner != nullptr ? owner->GetName() : std::string("?"),
                       ShapeTypeName(picked.GetShapeType()), picked.GetTopoShapeId());
}

nlohmann::json DocumentPrinter::TargetToJson(ObjectId targetId) const
{
    const auto* reference = myDocument.FindElementAs<ReferenceShape>(targetId);
    if (reference == nullptr) {
        return nullptr;
    }
    const PickedId& picked = reference->GetPickedId();
    const Element* owner = myDocument.FindElement(picked.GetElementId());
    return {{"reference", targetId.GetValue()},
            {"element", picked.GetElementId().GetValue()},
            {"elementName", owner != nullptr ? owner->GetName() : std::string()},
            {"shapeType", ShapeTypeName(picked.GetShapeType())},
            {"index", picked.GetTopoShapeId()}};
}

void DocumentPrinter::PrintText(std::ostream& out, const std::string& title) const
{
    out << title << "\n";
    for (const Element* element : myDocument.GetElements()) {
        if (!element->GetParentId().IsValid()) {
            PrintElement(out, *element, 1);
        }
    }
    out << "Summary:";
    const char* separator = " ";
    for (const auto& [name, count] : CountByClass(myDocument)) {
        out << separator << count << " " << name;
        separator = ", ";
    }
    out << "\n";
    for (const ExternalDocument* external : ExternalDocuments(myDocument)) {
        const Document& sub = *external->GetSubDocument();
        DocumentPrinter(sub).PrintText(
            out, fmt::format("Sub-document \"{}\" ({}) of #{}:", sub.GetName(), sub.GetDocType(),
                             external->GetId().GetValue()));
    }
}

void DocumentPrinter::PrintElement(std::ostream& out, const Element& element, int depth) const
{
    out << std::string(static_cast<size_t>(depth) * 2, ' ') << element.GetClassName() << " #"
        << element.GetId().GetValue() << " \"" << element.GetName() << "\"";
    if (const auto* entity = dynamic_cast<const EntityElement*>(&element)) {
        if (!entity->GetAliasName().empty()) {
            out << " alias=\"" << entity->GetAliasName() << "\"";
        }
        out << (entity->IsBrowserable() ? " browserable" : " hidden");
        if (entity->IsManaged()) {
            out << " managed";
        }
    }
    if (element.GetPartId().IsValid()) {
        out << " part=#" << element.GetPartId().GetValue();
    }
    if (const auto* drawable = dynamic_cast<const DrawableElement*>(&element)) {
        if (drawable->GetPrototypeId().IsValid()) {
            out << " prototype=#" << drawable->GetPrototypeId().GetValue();
        }
        out << PlacementText(ToPlacement(drawable->GetTransform()));
        if (drawable->HasColor()) {
            const glm::vec3& c = drawable->GetColor();
            out << " color=" << ToSrgbHex(c.r, c.g, c.b);
        }
    }
    if (const TopoShape* shape = HeldShape(element); shape != nullptr && !shape->IsNull()) {
        out << " " << ShapeTypeName(shape->GetShapeType())
            << " faces=" << shape->CountChildren(TopoShapeFace)
            << " edges=" << shape->CountChildren(TopoShapeEdge);
    }
    if (const auto* shape = dynamic_cast<const ShapeElement*>(&element)) {
        if (shape->GetFaceColors()) {
            out << " face-colors=" << shape->GetFaceColors()->size();
        }
    }
    if (const auto* entity = dynamic_cast<const EntityElement*>(&element);
        entity != nullptr && !entity->GetFacts().empty()) {
        out << FactsText(nlohmann::json::parse(entity->GetFacts()));
    }
    if (const auto* external = dynamic_cast<const ExternalDocument*>(&element)) {
        out << " document=\"" << external->GetDocumentId() << "\"";
    }
    if (const auto* annotation = dynamic_cast<const AnnotationElement*>(&element)) {
        out << " kind=" << AnnotationElement::GetKindName(annotation->GetKind());
        const bool toleranced = annotation->GetToleranceType() != ToleranceNone;
        // The deviations follow the value they apply to, or the tolerance kind without one.
        if (annotation->HasValue()) {
            out << " value=" << Number(annotation->GetValue());
            if (toleranced) {
                out << " " << DeviationText(*annotation);
            }
        }
        out << " tolerance=" << ToleranceName(annotation->GetToleranceType());
        if (toleranced && !annotation->HasValue()) {
            out << " " << DeviationText(*annotation);
        }
        for (ObjectId target : {annotation->GetTarget1(), annotation->GetTarget2()}) {
            if (target.IsValid()) {
                out << " target=" << DescribeTarget(target);
            }
        }
    }
    if (const auto* pmi = dynamic_cast<const PmiElement*>(&element)) {
        PrintPmi(out, *pmi);
    }
    if (const auto* reference = dynamic_cast<const ReferenceShape*>(&element)) {
        out << " -> " << DescribeTarget(reference->GetId());
    }
    out << "\n";
    if (const auto* composite = dynamic_cast<const CompositeElement*>(&element)) {
        for (ObjectId child : composite->GetChildren()) {
            if (const Element* childElement = myDocument.FindElement(child)) {
                PrintElement(out, *childElement, depth + 1);
            }
        }
    }
}

void DocumentPrinter::PrintPmi(std::ostream& out, const PmiElement& pmi) const
{
    const PmiContent& content = pmi.GetContent();
    out << " kind=" << AnnotationElement::GetKindName(pmi.GetKind());
    const std::pair<const char*, const std::string*> words[] = {
        {"label", &content.label},
        {"type", &content.type},
        {"datum", &content.datumLabel},
    };
    for (const auto& [key, text] : words) {
        if (!text->empty()) {
            out << " " << key << "=\"" << *text << "\"";
        }
    }
    if (content.hasValue) {
        out << " value=" << Number(content.value);
    }
    if (content.toleranceType != ToleranceNone) {
        out << " "
            << orvkit::DeviationText(content.upperTolerance, content.lowerTolerance,
                                     content.toleranceType == TolerancePlusMinus);
    }
    std::string modifiers;
    for (const std::string& modifier : content.modifiers) {
        modifiers += (modifiers.empty() ? "" : ", ") + modifier;
    }
    const std::pair<const char*, const std::string*> qualifiers[] = {
        {"zone", &content.zone},
        {"material", &content.materialModifier},
        {"zone-modifier", &content.zoneModifier},
        {"modifiers", &modifiers},
        {"frame", &content.frame},
    };
    for (const auto& [key, text] : qualifiers) {
        if (!text->empty()) {
            out << " " << key << "=\"" << *text << "\"";
        }
    }
    for (ObjectId target : content.targets) {
        out << " target=" << DescribeTarget(target);
    }
}

void DocumentPrinter::AddPmiToJson(const PmiElement& pmi, nlohmann::json& json) const
{
    const PmiContent& content = pmi.GetContent();
    json["kind"] = AnnotationElement::GetKindName(pmi.GetKind());
    json["type"] = content.type;
    json["label"] = content.label;
    json["datumLabel"] = content.datumLabel;
    json["value"] = content.hasValue ? nlohmann::json(content.value) : nullptr;
    json["tolerance"] = {{"kind", ToleranceName(content.toleranceType)},
                         {"upper", content.upperTolerance},
                         {"lower", content.lowerTolerance}};
    json["zone"] = content.zone;
    json["materialModifier"] = content.materialModifier;
    json["zoneModifier"] = content.zoneModifier;
    json["modifiers"] = content.modifiers;
    nlohmann::json datums = nlohmann::json::array();
    for (const PmiDatumReference& datum : content.datums) {
        datums.push_back({{"label", datum.label},
                          {"modifiers", datum.modifiers},
                          {"element", datum.datum.IsValid() ? nlohmann::json(datum.datum.GetValue())
                                                            : nullptr}});
    }
    json["datums"] = std::move(datums);
    json["frame"] = content.frame;
    nlohmann::json targets = nlohmann::json::array();
    for (ObjectId target : content.targets) {
        targets.push_back(TargetToJson(target));
    }
    json["targets"] = std::move(targets);
    // Not "textPoint": that names a dimension the page draws a label for.
    const gp_Pnt& origin = content.textPlane.Location();
    const gp_Dir& normal = content.textPlane.Direction();
    json["textPosition"] =
        content.hasTextPoint ? nlohmann::json{origin.X(), origin.Y(), origin.Z()} : nullptr;
    json["planeNormal"] = {normal.X(), normal.Y(), normal.Z()};
}

nlohmann::json DocumentPrinter::ToJson() const
{
    nlohmann::json elements = nlohmann::json::array();
    nlohmann::json roots = nlohmann::json::array();
    for (const Element* element : myDocument.GetElements()) {
        elements.push_back(ElementToJson(*element));
        if (!element->GetParentId().IsValid()) {
            roots.push_back(element->GetId().GetValue());
        }
    }
    nlohmann::json summary = nlohmann::json::object();
    for (const auto& [name, count] : CountByClass(myDocument)) {
        summary[name] = count;
    }
    nlohmann::json json{
        {"elements", elements}, {"roots", roots}, {"summary", summary}, {"colorSpace", "sRGB"}};
    if (!myDocument.GetName().empty()) {
        json["name"] = myDocument.GetName();
    }
    if (!myDocument.GetDocType().empty()) {
        json["type"] = myDocument.GetDocType();
    }
    const auto externals = ExternalDocuments(myDocument);
    if (!externals.empty()) {
        nlohmann::json subDocuments = nlohmann::json::array();
        for (const ExternalDocument* external : externals) {
            nlohmann::json sub = DocumentPrinter(*external->GetSubDocument()).ToJson();
            sub["element"] = external->GetId().GetValue();
            subDocuments.push_back(sub);
        }
        json["subDocuments"] = subDocuments;
    }
    return json;
}

void DocumentPrinter::AddAnnotationToJson(const AnnotationElement& annotation,
                                          nlohmann::json& json) const
{
    json["kind"] = AnnotationElement::GetKindName(annotation.GetKind());
    json["value"] = annotation.HasValue() ? nlohmann::json(annotation.GetValue()) : nullptr;
    json["tolerance"] = {{"kind", ToleranceName(annotation.GetToleranceType())},
                         {"upper", annotation.GetUpperTolerance()},
                         {"lower", annotation.GetLowerTolerance()}};
    json["targets"] = {TargetToJson(annotation.GetTarget1()),
                       TargetToJson(annotation.GetTarget2())};
    const gp_Pnt& origin = annotation.GetCoordinate().Location();
    const gp_Dir& normal = annotation.GetCoordinate().Direction();
    json["textPoint"] = {origin.X(), origin.Y(), origin.Z()};
    json["planeNormal"] = {normal.X(), normal.Y(), normal.Z()};
}

nlohmann::json DocumentPrinter::ElementToJson(const Element& element) const
{
    nlohmann::json json{{"class", element.GetClassName()},
                        {"id", element.GetId().GetValue()},
                        {"name", element.GetName()}};
    if (element.GetParentId().IsValid()) {
        json["parent"] = element.GetParentId().GetValue();
    }
    if (element.GetPartId().IsValid()) {
        json["part"] = element.GetPartId().GetValue();
    }
    if (const TopoShape* shape = HeldShape(element); shape != nullptr && !shape->IsNull()) {
        json["shapeType"] = ShapeTypeName(shape->GetShapeType());
        json["faces"] = shape->CountChildren(TopoShapeFace);
        json["edges"] = shape->CountChildren(TopoShapeEdge);
    }
    if (const auto* external = dynamic_cast<const ExternalDocument*>(&element)) {
        json["documentId"] = external->GetDocumentId();
    }
    if (const auto* entity = dynamic_cast<const EntityElement*>(&element)) {
        json["alias"] = entity->GetAliasName();
        json["browserable"] = entity->IsBrowserable();
        json["managed"] = entity->IsManaged();
        if (!entity->GetFacts().empty()) {
            json["facts"] = nlohmann::json::parse(entity->GetFacts());
        }
    }
    if (const auto* drawable = dynamic_cast<const DrawableElement*>(&element)) {
        if (drawable->GetPrototypeId().IsValid()) {
            json["prototype"] = drawable->GetPrototypeId().GetValue();
        }
        const Placement placement = ToPlacement(drawable->GetTransform());
        json["translation"] = {placement.translation.X(), placement.translation.Y(),
                               placement.translation.Z()};
        json["rotation"] = {{"axis", {placement.axis.X(), placement.axis.Y(), placement.axis.Z()}},
                            {"angleDegrees", placement.angleDegrees}};
        if (drawable->HasColor()) {
            const glm::vec3& c = drawable->GetColor();
            json["color"] = ToSrgbHex(c.r, c.g, c.b);
        }
    }
    if (const auto* shape = dynamic_cast<const ShapeElement*>(&element)) {
        if (const auto& table = shape->GetFaceColors()) {
            // Sorted by face index so that the output is stable.
            std::map<unsigned int, glm::vec3> sorted(table->begin(), table->end());
            nlohmann::json faces = nlohmann::json::array();
            for (const auto& [face, color] : sorted) {
                faces.push_back({{"face", face}, {"color", ToSrgbHex(color.r, color.g, color.b)}});
            }
            json["faceColors"] = faces;
        } else {
            json["faceColors"] = nullptr;
        }
    }
    if (const auto* annotation = dynamic_cast<const AnnotationElement*>(&element)) {
        AddAnnotationToJson(*annotation, json);
    }
    if (const auto* pmi = dynamic_cast<const PmiElement*>(&element)) {
        AddPmiToJson(*pmi, json);
    }
    if (const auto* reference = dynamic_cast<const ReferenceShape*>(&element)) {
        json["target"] = TargetToJson(reference->GetId());
    }
    if (const auto* composite = dynamic_cast<const CompositeElement*>(&element)) {
        nlohmann::json children = nlohmann::json::array();
        for (ObjectId child : composite->GetChildren()) {
            children.push_back(child.GetValue());
        }
        json["children"] = std::move(children);
    }
    return json;
}

} // namespace orvkit
