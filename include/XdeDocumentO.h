#pragma once

#include "XdeDocument.h"

#include <glm/vec3.hpp>

#include <memory>
#include <string>

namespace orvkit {

class TopoShape;
class XdeNode;

// Writing side of the XDE document interface: builds an XDE document from shapes, with names
// and placements set on the returned nodes and colours set on added shapes, and saves it as
// STEP or IGES. Every node and shape argument must hold an object.
class XdeDocumentO : public XdeDocument {
public:
    XdeDocumentO() = default;
    ~XdeDocumentO() override;

    // Adds a top-level shape (a compound becomes an assembly of its members, and shapes already
    // in the document are referred to, not copied) and returns a node on its label. Works before
    // New() too: a new object already holds an empty document.
    std::shared_ptr<XdeNode> AddShape(const std::shared_ptr<TopoShape>& shape);
    // A new child label of `parent`'s label, with the next free tag and no attributes.
    std::shared_ptr<XdeNode> NewChild(const std::shared_ptr<XdeNode>& parent) const;
    // Surface colour (RGB 0..1) of a shape in the document; a shape the document does not hold
    // is silently left without colour.
    void SetSurfaceColor(const std::shared_ptr<TopoShape>& shape, const glm::vec3& color);
    // Curve colour of a shape in the document; as SetSurfaceColor otherwise.
    void SetCurveColor(const std::shared_ptr<TopoShape>& shape, const glm::vec3& color);
    // Writes the document as STEP (.stp/.step) or IGES (.igs/.iges), extension compared
    // exactly. False for any other extension, without writing, or when the kernel cannot write.
    bool Save(const std::wstring& path) const;
};

} // namespace orvkit
