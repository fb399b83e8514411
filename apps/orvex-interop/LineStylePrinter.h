#pragma once

#include "Data/Kernel/Document.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

namespace orvkit {
class LineStyleElement;
}

namespace orvex::cli {

// Shows the line styles of a document, in the order they were made: each style's name,
// description and dash pattern, then a summary.
class LineStylePrinter {
public:
    explicit LineStylePrinter(const orvkit::Document& document);

    bool IsEmpty() const { return myStyles.empty(); }
    void PrintText(std::ostream& out, const std::string& title) const;
    nlohmann::json ToJson() const;

private:
    std::string Summary() const;

    std::vector<const orvkit::LineStyleElement*> myStyles;
};

} // namespace orvex::cli
