#pragma once

#include "Data/Kernel/EntityElement.h"

#include <gp_Trsf.hxx>

namespace orvkit {

class GShapeCollector;

// An element with a placement that the viewer draws. An instance shows its prototype's
// content at its own placement.
class DrawableElement : public EntityElement {
public:
    const gp_Trsf& GetTransform() const { return myTransform; }
    bool SetTransform(const gp_Trsf& transform);
    // Element whose content this one shows; InvalidId when it shows its own.
    ObjectId GetPrototypeId() const { return myPrototypeId; }
    bool SetPrototypeId(ObjectId prototypeId);

    // Makes a new instance of this element in `document`, named `name`, under `parentId`
    // (InvalidId for none); the new element is owned by the document, never null. The caller
    // sets its prototype id and placement.
    virtual DrawableElement* CreateInstance(Document* document, const std::string& name,
                                            ObjectId parentId) const;

    // Gives the collector what this element draws, at this element's placement composed under
    // the collector's. Paths deeper than the collector allows (a prototype that shows itself)
    // give nothing more.
    virtual void CollectShape(GShapeCollector& collector) const;

protected:
    // What the element itself draws, in its own coordinates; nothing by default.
    virtual void CollectOwnShape(GShapeCollector& collector) const;

private:
    gp_Trsf myTransform;
    ObjectId myPrototypeId;
};

} // namespace orvkit
