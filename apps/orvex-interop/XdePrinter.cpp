#include "XdePrinter.h"

#include "PrintFormat.h"

#include "Geometry/IO/LabelProperties.h"

#include "Geometry/Kernel/TopoShape.h"
#include "Interop/Kernel/PmiFrame.h"
#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeLabelImpl.h"
#include "XdeLabelSequence.h"
#include "XdeNode.h"
#include "XdeNodeIterator.h"

#include <TCollection_AsciiString.hxx>
#include <TDF_Tool.hxx>

namespace orvex::cli {

using namespace orvkit;

namespace {

// A colour no label has: the getters give it back when there is none.
const glm::vec3 kNoColor{-1.0f, -1.0f, -1.0f};

std::string Entry(const XdeNode& node)
{
    TCollection_AsciiString entry;
    TDF_Tool::Entry(node.GetImpl()->label, entry);
    return entry.ToCString();
}

} // namespace

const char* XdeKindName(EnumXdeShapeType kind)
{
    switch (kind) {
    case EnumXdeShapeType::Free:
        return "free";
    case EnumXdeShapeType::Simple:
        return "simple";
    case EnumXdeShapeType::Assembly:
        return "assembly";
    case EnumXdeShapeType::Reference:
        return "reference";
    case EnumXdeShapeType::None:
        break;
    }
    return "label";
}

XdePrinter::XdePrinter(const XdeDocumentI& document) : myDocument(document)
{
    Walk(document.GetRootNode());
    // Only once every label is counted: reading a PMI item's fields adds empty labels to it.
    for (Label& label : myLabels) {
        label.pmi = PmiFrame::Describe(label.label);
    }
}

void XdePrinter::Walk(const std::shared_ptr<XdeNode>& node)
{
    myLabels.push_back(Describe(node));
    ++myCounts[myLabels.back().kind];
    for (XdeNodeIterator children(node); children.More(); children.Next()) {
        Walk(children.Value());
    }
}

XdePrinter::Label XdePrinter::Describe(const std::shared_ptr<XdeNode>& node) const
{
    Label label;
    label.entry = Entry(*node);
    label.depth = node->GetDepth();
    label.kind = myDocument.GetShapeType(node);
    label.name = node->GetName();
    label.location = node->GetLocation();
    if (const auto referred = myDocument.GetReferencedShape(node)) {
        label.refers = Entry(*referred);
    }
    label.color = myDocument.GetColor(node, kNoColor);
    label.hasColor = label.color != kNoColor;
    label.label = node->GetImpl()->label;
    if (label.kind != EnumXdeShapeType::Simple) {
        return label;
    }
    // Faces and edges coloured on their own are those with a sub-shape label of their own.
    for (XdeLabelSequence subShapes(node); subShapes.More(); subShapes.Next()) {
        const std::shared_ptr<TopoShape> sub = myDocument.GetShape(subShapes.Value());
        if (!sub) {
            continue;
        }
        if (sub->GetShapeType() == TopoShapeFace &&
            myDocument.GetFaceColor(sub, kNoColor) != kNoColor) {
            ++label.faceColors;
        } else if (sub->GetShapeType() == TopoShapeEdge &&
                   myDocument.GetEdgeColor(sub, kNoColor) != kNoColor) {
            ++label.edgeColors;
        }
    }
    return label;
}

void XdePrinter::PrintText(std::ostream& out, const std::string& title) const
{
    out << title << "\n";
    for (const Label& label : myLabels) {
        out << std::string(static_cast<size_t>(label.depth) * 2 + 2, ' ') << label.entry << " "
            << XdeKindName(label.kind);
        if (!label.name.empty()) {
            out << " \"" << label.name << "\"";
        }
        out << PlacementText(
            ToPlacement(label.location.TranslationPart(), label.location.VectorialPart()));
        if (!label.refers.empty()) {
            out << " -> " << label.refers;
        }
        if (label.hasColor) {
            out << " color=" << ToSrgbHex(label.color.r, label.color.g, label.color.b);
        }
        if (label.faceColors > 0) {
            out << " face-colors=" << label.faceColors;
        }
        if (label.edgeColors > 0) {
            out << " edge-colors=" << label.edgeColors;
        }
        if (!label.pmi.empty()) {
            out << " pmi=\"" << label.pmi << "\"";
        }
        out << FactsText(LabelFactsJson(label.label)) << "\n";
    }
    out << "Summary: " << myLabels.size() << " labels, " << myDocument.GetShapeCount()
        << " free shapes";
    for (EnumXdeShapeType kind :
         {EnumXdeShapeType::Assembly, EnumXdeShapeType::Reference, EnumXdeShapeType::Simple}) {
        const auto found = myCounts.find(kind);
        out << ", " << (found == myCounts.end() ? 0 : found->second) << " " << XdeKindName(kind);
    }
    out << "\n";
}

nlohmann::json XdePrinter::ToJson() const
{
    nlohmann::json labels = nlohmann::json::array();
    for (const Label& label : myLabels) {
        const Placement placement =
            ToPlacement(label.location.TranslationPart(), label.location.VectorialPart());
        nlohmann::json json{
            {"entry", label.entry},
            {"depth", label.depth},
            {"kind", XdeKindName(label.kind)},
            {"name", label.name},
            {"translation",
             {placement.translation.X(), placement.translation.Y(), placement.translation.Z()}},
            {"rotation",
             {{"axis", {placement.axis.X(), placement.axis.Y(), placement.axis.Z()}},
              {"angleDegrees", placement.angleDegrees}}},
            {"refers", label.refers.empty() ? nlohmann::json() : nlohmann::json(label.refers)},
            {"color", label.hasColor
                          ? nlohmann::json(ToSrgbHex(label.color.r, label.color.g, label.color.b))
                          : nlohmann::json()},
            {"faceColors", label.faceColors},
            {"edgeColors", label.edgeColors},
            {"pmi", label.pmi.empty() ? nlohmann::json() : nlohmann::json(label.pmi)},
            {"facts", LabelFactsJson(label.label)}};
        labels.push_back(json);
    }
    nlohmann::json summary{{"labels", myLabels.size()}, {"free", myDocument.GetShapeCount()}};
    for (EnumXdeShapeType kind :
         {EnumXdeShapeType::Assembly, EnumXdeShapeType::Reference, EnumXdeShapeType::Simple}) {
        const auto found = myCounts.find(kind);
        summary[XdeKindName(kind)] = found == myCounts.end() ? 0 : found->second;
    }
    return {{"labels", labels}, {"summary", summary}, {"colorSpace", "sRGB"}};
}

} // namespace orvex::cli
