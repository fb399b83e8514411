#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <Quantity_Color.hxx>
#include <StepShape_ShapeRepresentation.hxx>
#include <TDF_Label.hxx>
#include <TopoDS_Shape.hxx>
#include <XSControl_WorkSession.hxx>

#include <optional>
#include <string>
#include <vector>

namespace orvkit {

// Writes the parts made of triangles alone (read from tessellated STEP geometry, or from a
// mesh file) as AP242 tessellated geometry, in the file OCCT 7.6's writer writes, which has no
// classes for it: each such part's shape is taken out of the document for the transfer (OCCT
// writes the part, its name, placements and instances around an empty representation), and
// after the file is written, a tessellated shape representation of its faces is added to the
// file, tied to the part's representation by a shape representation relationship, with the
// part's and its faces' colours as styled items, and its layers. This reader reads such a file back
// as it was.
//
// Faces keep their triangles, points and normals. A part whose faces mix exact surfaces and
// triangles cannot be written so (MixedParts).
class StepTessellationWrite {
public:
    // The names of the parts whose faces mix exact surfaces and triangles alone.
    static std::vector<std::string> MixedParts(const XdeDocumentImpl& impl);
    // What such a write leaves out, one sentence each: the colours that instances of parts
    // made of triangles give them.
    static std::vector<std::string> Losses(const XdeDocumentImpl& impl);

    // Takes the shapes of the parts made of triangles alone out of `impl` until it is
    // destroyed.
    explicit StepTessellationWrite(XdeDocumentImpl& impl);
    ~StepTessellationWrite();
    StepTessellationWrite(const StepTessellationWrite&) = delete;
    StepTessellationWrite& operator=(const StepTessellationWrite&) = delete;

    bool Empty() const { return myParts.empty(); }

    // After the transfer: finds each part's representation in the session's model.
    void FindRepresentations(const Handle(XSControl_WorkSession)& session);
    // After the file is written: adds the tessellated representations to it, lengths divided
    // by `millimetres` (the size of the file's unit). The reason when it could not.
    std::string AppendTo(const std::string& file, const Handle(XSControl_WorkSession)& session,
                         double millimetres) const;

private:
    struct Part {
        TDF_Label label;
        std::string name;
        TopoDS_Shape shape;
        std::optional<Quantity_Color> colour;
        std::vector<std::optional<Quantity_Color>> faceColours; // by face, in explorer order
        std::vector<std::string> layers;
        Handle(StepShape_ShapeRepresentation) representation;
    };

    XdeDocumentImpl& myImpl;
    std::vector<Part> myParts;
};

} // namespace orvkit
