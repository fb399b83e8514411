#pragma once

#include <TCollection_ExtendedString.hxx>
#include <TDF_Label.hxx>

#include <string>

namespace orvkit {

// One label of a kernel document.
class XdeLabelImpl {
public:
    explicit XdeLabelImpl(const TDF_Label& label) : label(label) {}

    // The label's name; empty when it has none.
    TCollection_ExtendedString GetName() const;
    // Stores a UTF-8 name on the label.
    void SetName(const std::string& name);

    TDF_Label label;
};

} // namespace orvkit
