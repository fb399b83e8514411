#pragma once

#include <TDocStd_Document.hxx>
#include <TopoDS_Shape.hxx>

namespace orvkit {

// A fresh XCAF document holding one shape as its one part, for the shape writers that write
// through CafMeshWrite; it is closed again when this goes away. The XCAF application is shared
// by every thread, so the document is opened and closed under the translator lock.
class ShapeDocument {
public:
    explicit ShapeDocument(const TopoDS_Shape& shape);
    ~ShapeDocument();
    ShapeDocument(const ShapeDocument&) = delete;
    ShapeDocument& operator=(const ShapeDocument&) = delete;

    // The document; null when none could be made.
    const Handle(TDocStd_Document)& Get() const { return myDocument; }

private:
    Handle(TDocStd_Document) myDocument;
};

} // namespace orvkit
