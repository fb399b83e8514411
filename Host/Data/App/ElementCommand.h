#pragma once

#include "Data/App/Command.h"

namespace orvkit {

class Element;

// An element-level command: runs on the element named by the context or picked by the user.
class ElementCommand : public Command {
public:
    // Visible when the context has a document.
    bool IsVisible(CommandContext* context) const override;

    // The element to work on: the one of the context's object id when it names an element of
    // the document, else the first entry of the document's selection, resolved as
    // Document::FindElement(picked, wholeElement) does. Null when there is none.
    static Element* GetSelection(CommandContext* context, bool wholeElement);
};

} // namespace orvkit
