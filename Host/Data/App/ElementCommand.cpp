#include "ElementCommand.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

bool ElementCommand::IsVisible(CommandContext* context) const
{
    return Command::IsVisible(context) && context != nullptr && context->GetDocument() != nullptr;
}

Element* ElementCommand::GetSelection(CommandContext* context, bool wholeElement)
{
    Document* document = context != nullptr ? context->GetDocument() : nullptr;
    if (document == nullptr) {
        return nullptr;
    }
    if (Element* element = document->FindElement(context->GetObjectId())) {
        return element;
    }
    const std::vector<PickedId>& selection = document->GetSelection();
    return selection.empty() ? nullptr : document->FindElement(selection.front(), wholeElement);
}

} // namespace orvkit
