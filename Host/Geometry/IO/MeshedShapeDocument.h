#pragma once

#include <TDocStd_Document.hxx>
#include <TopoDS_Shape.hxx>

#include <string>

namespace orvkit {

// A fresh XCAF document holding a copy of one shape meshed as MeshedCopy meshes it, for the
// mesh writers that write from a document (OpenCASCADE's OBJ writer, SceneGltf); it is closed
// again when this goes away. The XCAF application is shared by every thread, so the document
// is opened and closed under the translator lock.
class MeshedShapeDocument {
public:
    explicit MeshedShapeDocument(const TopoDS_Shape& shape);
    ~MeshedShapeDocument();
    MeshedShapeDocument(const MeshedShapeDocument&) = delete;
    MeshedShapeDocument& operator=(const MeshedShapeDocument&) = delete;

    // The document; null when the shape gives no triangle or no document could be made.
    const Handle(TDocStd_Document)& Get() const { return myDocument; }
    // Why Get() is null; empty when it is not.
    const std::string& GetReason() const { return myReason; }

private:
    Handle(TDocStd_Document) myDocument;
    std::string myReason;
};

} // namespace orvkit
