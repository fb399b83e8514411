#include "DbViewBase.h"

#include "Data/Kernel/Document.h"
#include "Data/Kernel/DrawableElement.h"
#include "Geometry/Kernel/GShapeCollector.h"

namespace orvkit {

void DbViewBase::CollectShape(GShapeCollector& collector) const
{
    const Document* document = GetDocument();
    if (document == nullptr) {
        return;
    }
    for (const Element* element : document->GetElements()) {
        const auto* drawable = dynamic_cast<const DrawableElement*>(element);
        if (drawable == nullptr || !drawable->IsBrowserable()) {
            continue;
        }
        // The topmost browserable element of each branch gives its whole branch; the hidden
        // containers above it (an imported file's root group, say) still place it.
        std::vector<const DrawableElement*> hiddenAncestors;
        bool underBrowserable = false;
        for (ObjectId parentId = drawable->GetParentId(); parentId.IsValid();) {
            const auto* parent = document->FindElementAs<DrawableElement>(parentId);
            if (parent == nullptr || hiddenAncestors.size() > document->GetElementCount()) {
                break;
            }
            if (parent->IsBrowserable()) {
                underBrowserable = true;
                break;
            }
            hiddenAncestors.push_back(parent);
            parentId = parent->GetParentId();
        }
        if (underBrowserable) {
            continue;
        }
        for (auto it = hiddenAncestors.rbegin(); it != hiddenAncestors.rend(); ++it) {
            collector.PushPlacement((*it)->GetTransform());
        }
        drawable->CollectShape(collector);
        for (size_t i = 0; i < hiddenAncestors.size(); ++i) {
            collector.PopPlacement();
        }
    }
}

DbViewBase* DbViewBase::Create(Document* document, EnumDbViewType viewType)
{
    DbViewBase* view = document->NewElementOf<DbViewBase>();
    view->myViewType = viewType;
    return view;
}

} // namespace orvkit
