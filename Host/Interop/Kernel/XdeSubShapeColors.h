#pragma once

#include <NCollection_DataMap.hxx>
#include <Quantity_Color.hxx>
#include <TDF_Label.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS_Shape.hxx>
#include <XCAFDoc_ColorTool.hxx>

namespace orvkit {

// The colours that a part's own sub-shape labels carry (surface colour, else generic colour),
// looked up by sub-shape.
//
// XCAFDoc_ColorTool::GetColor(shape, ...) gives the same answer for a sub-shape of the part
// but searches the whole document for it (every top-level label, for every call) and adds a
// sub-shape label for each shape it is asked about; asking it once per face makes an import
// quadratic in the number of parts. This index reads the part's sub-shape labels once. The two
// differ only for a face shared by two top-level parts, where the document-wide search answers
// from the first part in label order.
class XdeSubShapeColors {
public:
    XdeSubShapeColors() = default;
    XdeSubShapeColors(const Handle(XCAFDoc_ColorTool)& colorTool, const TDF_Label& part);

    // The colour of the sub-shape's own label; false when it has none. The first label of a
    // sub-shape counts, as in the document-wide search.
    bool Find(const TopoDS_Shape& subShape, Quantity_Color& color) const;
    bool IsEmpty() const { return myColors.IsEmpty(); }
    int Extent() const { return myColors.Extent(); }

private:
    NCollection_DataMap<TopoDS_Shape, Quantity_Color, TopTools_ShapeMapHasher> myColors;
};

} // namespace orvkit
