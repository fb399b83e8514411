#include "Geometry/Document/AElementBuilder.h"

#include "Common/Core/Logger.h"
#include "Common/Core/StringUtil.h"
#include "Data/Kernel/AssemblyElement.h"
#include "Data/Kernel/CategoryNames.h"
#include "Data/Kernel/CompositeElement.h"
#include "Data/Kernel/Document.h"
#include "Data/Kernel/GroupElement.h"
#include "Data/Kernel/InstanceElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "Graphics/MathUtil.h"
#include "Interop/Kernel/XdeSubShapeColors.h"

#include <TDataStd_Name.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Iterator.hxx>

namespace orvkit {

namespace {

const char* const kSchemaName = "ImportSchema";

std::string GetShapeTypeName(const TopoDS_Shape& shape)
{
    switch (shape.ShapeType()) {
    case TopAbs_COMPOUND:
        return "Compound";
    case TopAbs_COMPSOLID:
        return "Compsolid";
    case TopAbs_SOLID:
        return "Solid";
    case TopAbs_SHELL:
        return "Shell";
    case TopAbs_FACE:
        return "Face";
    case TopAbs_WIRE:
        return "Wire";
    case TopAbs_EDGE:
        return "Edge";
    case TopAbs_VERTEX:
        return "Vertex";
    case TopAbs_SHAPE:
        return "Shape";
    }
    return "Unknown";
}

} // namespace

AElementBuilder::AElementBuilder(Document* document, bool useColor, bool createAssembly)
    : myDocument(document), myUseColor(useColor), myCreateAssembly(createAssembly)
{
}

void AElementBuilder::MarkImported(EntityElement& element, const std::string& name)
{
    element.SetCategory(CategoryNames::Shape());
    element.SetName(name);
    element.SetSchemaName(kSchemaName);
}

void AElementBuilder::MarkImported(EntityElement& element, const std::string& name,
                                   bool inPrototype)
{
    MarkImported(element, name);
    element.SetBrowserable(!inPrototype);
}

std::string AElementBuilder::GetLabelName(const TDF_Label& label) const
{
    Handle(TDataStd_Name) attribute;
    if (!label.FindAttribute(TDataStd_Name::GetID(), attribute)) {
        return {};
    }
    const TCollection_ExtendedString& text = attribute->Get();
    if (myDocument->GetTextEncoding() == TextEncodingLocal) {
        return StringUtil::ToA(text.ToExtString());
    }
    std::string buffer(static_cast<size_t>(text.LengthOfCString()) + 1, '\0');
    Standard_PCharacter data = buffer.data();
    text.ToUTF8CString(data);
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

Element* AElementBuilder::CreateShape(const std::string& name, const TopoDS_Shape& shape,
                                      const Quantity_Color& color, bool inPrototype,
                                      const XdeSubShapeColors& partColors)
{
    LogAutoIndent indent("AElementBuilder::CreateShape");
    const TopAbs_ShapeEnum type = shape.ShapeType();
    if (type == TopAbs_VERTEX) {
        return nullptr;
    }
    Quantity_Color elementColor = color;
    if (type == TopAbs_COMPOUND || type == TopAbs_COMPSOLID) {
        if (myCreateAssembly) {
            return SplitCompound(name, shape, color, inPrototype, partColors);
        }
        // An unsplit compound shows the colour of its first coloured member.
        for (TopoDS_Iterator it(shape, true, true); it.More(); it.Next()) {
            if (partColors.Find(it.Value(), elementColor)) {
                break;
            }
        }
    }
    ShapeElement* element = ShapeElement::Create(myDocument);
    MarkImported(*element, name, inPrototype);
    element->SetShape(TopoShape::Create(shape));
    element->SetOptimized(true);
    element->SetColor(MathUtil::Vec3(elementColor));
    // Faces are compared with the colour the part was given, not with a member's.
    ApplyFaceColors(*element, shape, color, partColors);
    return element;
}

Element* AElementBuilder::CreateAssembly(const std::string& name,
                                         const std::set<ObjectId>& children, bool inPrototype)
{
    AssemblyElement* assembly = AssemblyElement::Create(myDocument);
    MarkImported(*assembly, name, inPrototype);
    assembly->SetChildren(children);
    return assembly;
}

void AElementBuilder::CreateRoot(const std::string& name, const std::set<ObjectId>& children)
{
    CompositeElement* root =
        myCreateAssembly ? static_cast<CompositeElement*>(AssemblyElement::Create(myDocument))
                         : static_cast<CompositeElement*>(GroupElement::Create(myDocument));
    MarkImported(*root, name);
    root->SetChildren(children);
}

Element* AElementBuilder::CreateInstance(const std::string& referenceName, ObjectId prototypeId,
                                         const TopLoc_Location& location, bool inPrototype)
{
    DrawableElement* instance = nullptr;
    if (const auto* prototype = myDocument->FindElementAs<DrawableElement>(prototypeId)) {
        instance = prototype->CreateInstance(myDocument, std::string(), ObjectId::InvalidId);
        MarkImported(*instance, prototype->GetName(), inPrototype);
        instance->SetAliasName(StringUtil::Replace(referenceName, "NAUO", ""));
    } else {
        instance = InstanceElement::Create(myDocument);
        MarkImported(*instance, referenceName, inPrototype);
    }
    instance->SetPrototypeId(prototypeId);
    instance->SetTransform(location.Transformation());
    return instance;
}

Element* AElementBuilder::SplitCompound(const std::string& name, const TopoDS_Shape& shape,
                                        const Quantity_Color& color, bool inPrototype,
                                        const XdeSubShapeColors& partColors)
{
    std::set<ObjectId> children;
    // Every sub-shape is counted, also those that give no element, so names can have gaps.
    int counter = 0;
    for (TopoDS_Iterator it(shape, true, true); it.More(); it.Next()) {
        const TopoDS_Shape& sub = it.Value();
        Quantity_Color subColor = color;
        partColors.Find(sub, subColor);
        ++counter;
        const std::string subName = GetShapeTypeName(sub) + ":" + std::to_string(counter);
        if (Element* child = CreateShape(subName, sub, subColor, inPrototype, partColors)) {
            children.insert(child->GetId());
        }
    }
    if (children.empty()) {
        return nullptr;
    }
    if (children.size() == 1) {
        return myDocument->FindElementAs<DrawableElement>(*children.begin());
    }
    return CreateAssembly(name, children, inPrototype);
}

void AElementBuilder::ApplyFaceColors(ShapeElement& element, const TopoDS_Shape& shape,
                                      const Quantity_Color& base,
                                      const XdeSubShapeColors& partColors) const
{
    if (!myUseColor) {
        return;
    }
    FaceColorTable table;
    if (!partColors.IsEmpty()) {
        TopTools_IndexedMapOfShape faces;
        TopExp::MapShapes(shape, TopAbs_FACE, faces);
        for (int i = 1; i <= faces.Extent(); ++i) {
            Quantity_Color faceColor = base;
            if (partColors.Find(faces.FindKey(i), faceColor) && faceColor.IsDifferent(base)) {
                table[static_cast<unsigned int>(i - 1)] = MathUtil::Vec3(faceColor);
            }
        }
    }
    element.SetFaceColors(table);
}

} // namespace orvkit
