#pragma once

#include "Data/Kernel/Document.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

namespace orvkit {

class AnnotationElement;
class PmiElement;

// Shows a framework document to a person (an indented element tree and a summary line) or to
// a program (one JSON document). Colours are shown as sRGB hex; the document keeps linear RGB.
class DocumentPrinter {
public:
    explicit DocumentPrinter(const Document& document) : myDocument(document) {}

    void PrintText(std::ostream& out, const std::string& title) const;
    nlohmann::json ToJson() const;

private:
    void PrintElement(std::ostream& out, const Element& element, int depth) const;
    nlohmann::json ElementToJson(const Element& element) const;
    // The fields of a PMI element that its kind fills, then its targets.
    void PrintPmi(std::ostream& out, const PmiElement& pmi) const;
    void AddAnnotationToJson(const AnnotationElement& annotation, nlohmann::json& json) const;
    void AddPmiToJson(const PmiElement& pmi, nlohmann::json& json) const;
    // "name Face 3" for the sub-shape a reference element names.
    std::string DescribeTarget(ObjectId targetId) const;
    nlohmann::json TargetToJson(ObjectId targetId) const;

    const Document& myDocument;
};

} // namespace orvkit
