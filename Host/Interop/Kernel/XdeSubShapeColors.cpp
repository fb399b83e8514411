#include "XdeSubShapeColors.h"

#include <NCollection_Map.hxx>
#include <TDF_LabelSequence.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace orvkit {

XdeSubShapeColors::XdeSubShapeColors(const Handle(XCAFDoc_ColorTool)& colorTool,
                                     const TDF_Label& part)
{
    if (colorTool.IsNull() || part.IsNull()) {
        return;
    }
    TDF_LabelSequence subLabels;
    XCAFDoc_ShapeTool::GetSubShapes(part, subLabels);
    NCollection_Map<TopoDS_Shape, TopTools_ShapeMapHasher> seen;
    // A part that is itself a face (or whatever is asked about) answers with its own label
    // first, as the document-wide search does.
    const TopoDS_Shape partShape = XCAFDoc_ShapeTool::GetShape(part);
    Quantity_Color partColor;
    if (!partShape.IsNull() && (colorTool->GetColor(part, XCAFDoc_ColorSurf, partColor) ||
                                colorTool->GetColor(part, XCAFDoc_ColorGen, partColor))) {
        seen.Add(partShape);
        myColors.Bind(partShape, partColor);
    }
    for (const TDF_Label& subLabel : subLabels) {
        const TopoDS_Shape subShape = XCAFDoc_ShapeTool::GetShape(subLabel);
        if (subShape.IsNull() || !seen.Add(subShape)) {
            continue;
        }
        Quantity_Color color;
        if (colorTool->GetColor(subLabel, XCAFDoc_ColorSurf, color) ||
            colorTool->GetColor(subLabel, XCAFDoc_ColorGen, color)) {
            myColors.Bind(subShape, color);
        }
    }
}

bool XdeSubShapeColors::Find(const TopoDS_Shape& subShape, Quantity_Color& color) const
{
    const Quantity_Color* found = myColors.Seek(subShape);
    if (found == nullptr) {
        return false;
    }
    color = *found;
    return true;
}

} // namespace orvkit
