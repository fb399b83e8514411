#pragma once

#include "XdeDocumentI.h"

#include <TDF_Label.hxx>
#include <gp_Trsf.hxx>

#include <glm/vec3.hpp>

#include <nlohmann/json.hpp>

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace orvex::cli {

// Shows the labels of an XDE document as the node interface sees them, from the root down:
// each label's entry, kind, name, placement, the label a reference refers to, its colour, and
// the faces and edges of its shape that carry a colour of their own.
class XdePrinter {
public:
    explicit XdePrinter(const orvkit::XdeDocumentI& document);

    void PrintText(std::ostream& out, const std::string& title) const;
    nlohmann::json ToJson() const;

private:
    struct Label {
        std::string entry;
        int depth = 0;
        orvkit::EnumXdeShapeType kind = orvkit::EnumXdeShapeType::None;
        std::string name;
        gp_Trsf location;
        std::string refers;
        bool hasColor = false;
        glm::vec3 color{0, 0, 0};
        int faceColors = 0;
        int edgeColors = 0;
        std::string pmi; // what a label of the document's PMI says; "" for other labels
        TDF_Label label;
    };

    void Walk(const std::shared_ptr<orvkit::XdeNode>& node);
    Label Describe(const std::shared_ptr<orvkit::XdeNode>& node) const;

    const orvkit::XdeDocumentI& myDocument;
    std::vector<Label> myLabels;
    std::map<orvkit::EnumXdeShapeType, int> myCounts;
};

// "free", "simple", "assembly", "reference" or "label".
const char* XdeKindName(orvkit::EnumXdeShapeType kind);

} // namespace orvex::cli
