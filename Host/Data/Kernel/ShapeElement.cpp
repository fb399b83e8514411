#include "ShapeElement.h"

#include "Data/Kernel/Document.h"
#include "Geometry/Kernel/GShapeCollector.h"

namespace orvkit {

ShapeElement* ShapeElement::Create(Document* document)
{
    return document->NewElementOf<ShapeElement>();
}

void ShapeElement::CollectOwnShape(GShapeCollector& collector) const
{
    collector.AddShape(myShape);
}

bool ShapeElement::SetShape(const std::shared_ptr<TopoShape>& shape)
{
    myShape = shape;
    return true;
}

bool ShapeElement::SetOptimized(bool optimized)
{
    myOptimized = optimized;
    return true;
}

bool ShapeElement::SetFaceColors(const FaceColorTable& faceColors)
{
    myFaceColors = faceColors;
    return true;
}

} // namespace orvkit
