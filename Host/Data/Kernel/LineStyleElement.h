#pragma once

#include "Data/Kernel/Element.h"
#include "Data/Kernel/LineStyleComponent.h"

#include <memory>
#include <string>
#include <vector>

namespace orvkit {

// A named line style of a document: a description and the dash pattern, in drawing order.
// Every line style of a document is listed in the document's line-style table.
class LineStyleElement : public Element {
public:
    using Components = std::vector<std::shared_ptr<LineStyleComponent>>;

    // A new line style owned by `document`; never null.
    static LineStyleElement* Create(Document* document);
    static const ClassId& GetStaticClassId();
    const char* GetClassName() const override { return "LineStyleElement"; }

    const std::string& GetDescription() const { return myDescription; }
    bool SetDescription(std::string description);
    const Components& GetComponents() const { return myComponents; }
    // Replaces the whole pattern.
    bool SetComponents(Components components);

private:
    std::string myDescription;
    Components myComponents;
};

} // namespace orvkit
