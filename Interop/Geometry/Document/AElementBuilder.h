#pragma once

#include "Common/Core/ObjectId.h"

#include <Quantity_Color.hxx>
#include <TDF_Label.hxx>
#include <TopLoc_Location.hxx>
#include <TopoDS_Shape.hxx>

#include <set>
#include <string>

namespace orvkit {

class Document;
class Element;
class EntityElement;
class ShapeElement;
class XdeSubShapeColors;

// Makes the framework elements of an import: shape elements (split into assemblies when
// compounds are to be split), assemblies, the root container and instances. Every element it
// makes is marked by MarkImported. Holds no state beyond its settings.
class AElementBuilder {
public:
    AElementBuilder(Document* document, bool useColor, bool createAssembly);

    // The fields every imported element carries: name, the shape category and the import
    // schema.
    static void MarkImported(EntityElement& element, const std::string& name);
    // As above, and shown in the browser unless it is made for a prototype.
    static void MarkImported(EntityElement& element, const std::string& name, bool inPrototype);

    // The label's name in the document's text encoding; empty when the label has none.
    std::string GetLabelName(const TDF_Label& label) const;

    // The element for a part's shape in `color`, with the face colours found in `partColors`.
    // A compound is split into numbered members when compounds are split. Null for a vertex and
    // for a split compound none of whose members gives an element.
    Element* CreateShape(const std::string& name, const TopoDS_Shape& shape,
                         const Quantity_Color& color, bool inPrototype,
                         const XdeSubShapeColors& partColors);
    // An assembly of `children`; never null.
    Element* CreateAssembly(const std::string& name, const std::set<ObjectId>& children,
                            bool inPrototype);
    // The container of the sole free assembly: a group, or an assembly when compounds are
    // split. Left out of the browser flag; the caller gets nothing to mark.
    void CreateRoot(const std::string& name, const std::set<ObjectId>& children);
    // An instance of the prototype at the reference's own placement. A drawable prototype makes
    // its own kind of instance, named after it, with the reference's name less "NAUO" as
    // alias; any other id (InvalidId too) gives an InstanceElement named after the reference.
    // Never null.
    Element* CreateInstance(const std::string& referenceName, ObjectId prototypeId,
                            const TopLoc_Location& location, bool inPrototype);

private:
    Element* SplitCompound(const std::string& name, const TopoDS_Shape& shape,
                           const Quantity_Color& color, bool inPrototype,
                           const XdeSubShapeColors& partColors);
    void ApplyFaceColors(ShapeElement& element, const TopoDS_Shape& shape,
                         const Quantity_Color& base, const XdeSubShapeColors& partColors) const;

    Document* myDocument;
    bool myUseColor;
    bool myCreateAssembly;
};

} // namespace orvkit
