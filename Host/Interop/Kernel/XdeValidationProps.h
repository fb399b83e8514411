#pragma once

#include <TDF_Label.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>

namespace orvkit {

class XdeDocumentImpl;

// The geometric validation properties of a part, as the CAx-IF's recommended practice has a
// sending system declare them in the file: its volume, its surface area and its centroid.
struct XdeValidationProps {
    double volume = 0.0; // cubic millimetres; 0 for a part without closed solids
    double area = 0.0;   // square millimetres
    gp_Pnt centroid;     // of the volume, or of the surface for a part without volume
    bool hasVolume = false;
    bool hasArea = false;
    bool hasCentroid = false;

    // The properties computed from the shape's geometry (BRepGProp); a shape without faces has
    // none. Faces with only a triangulation (read from a mesh file) are measured on their
    // triangles. Without `withVolume`, only the area and the surface's centroid, which cost
    // a fraction of the volume.
    static XdeValidationProps Compute(const TopoDS_Shape& shape, bool withVolume = true);
    // What the file declared for a part's label, as OpenCASCADE's reader left it in the
    // label's volume, area and centroid attributes; each `has` false when it declared nothing.
    static XdeValidationProps Declared(const TDF_Label& label);
    // Computes the properties of every part (a shape label that is not an assembly) and keeps
    // them in its attributes, where the STEP writer finds them; the values the file declared are
    // replaced by those of the geometry that is written.
    static void StoreForParts(XdeDocumentImpl& impl);
};

} // namespace orvkit
