#include "DrawableElement.h"

#include "Data/Kernel/Document.h"
#include "Data/Kernel/InstanceElement.h"
#include "Geometry/Kernel/GShapeCollector.h"

namespace orvkit {

bool DrawableElement::SetTransform(const gp_Trsf& transform)
{
    myTransform = transform;
    return true;
}

bool DrawableElement::SetPrototypeId(ObjectId prototypeId)
{
    myPrototypeId = prototypeId;
    return true;
}

namespace {

// Deeper than any real assembly; only a cycle of prototypes gets there.
const size_t kMaxCollectDepth = 256;

} // namespace

void DrawableElement::CollectShape(GShapeCollector& collector) const
{
    if (collector.GetDepth() >= kMaxCollectDepth) {
        return;
    }
    collector.PushPlacement(myTransform);
    CollectOwnShape(collector);
    collector.PopPlacement();
}

void DrawableElement::CollectOwnShape(GShapeCollector&) const {}

DrawableElement* DrawableElement::CreateInstance(Document* document, const std::string& name,
                                                 ObjectId parentId) const
{
    InstanceElement* instance = InstanceElement::Create(document);
    instance->SetName(name);
    instance->SetParentId(parentId);
    // The instance starts with the look of what it shows.
    if (HasColor()) {
        instance->SetColor(GetColor());
    }
    return instance;
}

} // namespace orvkit
