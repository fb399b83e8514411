#pragma once

#include "XdeDocument.h"

#include <glm/vec3.hpp>

#include <memory>
#include <string>

namespace orvkit {

class TopoShape;
class XdeNode;

// Kind of a shape label, as XdeDocumentI::GetShapeType decides it.
enum class EnumXdeShapeType { None = 0, Free = 1, Simple = 2, Assembly = 3, Reference = 4 };

// Reading side of the XDE document interface: opens a STEP or IGES file and answers questions
// about its labels through nodes. Colours are RGB as OpenCASCADE holds them (linear, no alpha).
// Every node argument must hold a node.
class XdeDocumentI : public XdeDocument {
public:
    XdeDocumentI() = default;
    ~XdeDocumentI() override;

    // Reads the .stp/.step or .igs/.iges file (extension compared exactly) into the kernel
    // document. False for any other extension, without reading, or when the kernel cannot read.
    bool Open(const std::wstring& path);
    // As Open, with the extension compared without regard to case (".STEP", ".IGS"), as the
    // program's verbs take files.
    bool OpenIgnoringCase(const std::wstring& path);

    // Node on the root label of the document.
    std::shared_ptr<XdeNode> GetRootNode() const;
    // Number of top-level (free) shapes the kernel listed when reading.
    int GetShapeCount() const;
    // Node on free shape `index`, from 0; raises Standard_OutOfRange outside 0..count-1.
    std::shared_ptr<XdeNode> GetShapeNode(int index) const;
    // The label's shape as a new TopoShape; empty when the label has no shape.
    std::shared_ptr<TopoShape> GetShape(const std::shared_ptr<XdeNode>& node) const;
    // Simple, else Assembly, else Reference, else Free, else None.
    EnumXdeShapeType GetShapeType(const std::shared_ptr<XdeNode>& node) const;
    bool IsAssembly(const std::shared_ptr<XdeNode>& node) const;
    bool IsReference(const std::shared_ptr<XdeNode>& node) const;
    bool IsSimpleShape(const std::shared_ptr<XdeNode>& node) const;
    // Node on the label a reference refers to; empty when the label is no reference.
    std::shared_ptr<XdeNode> GetReferencedShape(const std::shared_ptr<XdeNode>& node) const;
    // The label's colour: its sole layer's colour when coloured by layer, else its surface
    // colour, else its generic colour, else `fallback`.
    glm::vec3 GetColor(const std::shared_ptr<XdeNode>& node, const glm::vec3& fallback) const;
    // Surface colour of the shape, else its generic colour, else `fallback`.
    glm::vec3 GetFaceColor(const std::shared_ptr<TopoShape>& shape,
                           const glm::vec3& fallback) const;
    // Curve colour of the shape, else `fallback` (a generic colour is not used for edges).
    glm::vec3 GetEdgeColor(const std::shared_ptr<TopoShape>& shape,
                           const glm::vec3& fallback) const;

private:
    bool OpenAs(const std::wstring& path, bool exactCase);
};

} // namespace orvkit
