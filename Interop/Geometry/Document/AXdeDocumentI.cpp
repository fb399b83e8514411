#include "XdeDocumentI.h"

#include "Common/Core/Logger.h"
#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"
#include "Geometry/Kernel/TopoShape.h"
#include "Graphics/MathUtil.h"
#include "Interop/Kernel/IgesModelReader.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeLabelImpl.h"
#include "XdeNode.h"

#include <Quantity_Color.hxx>
#include <Quantity_ColorRGBA.hxx>
#include <TColStd_HSequenceOfExtendedString.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_LayerTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace orvkit {

namespace {

const TDF_Label& LabelOf(const std::shared_ptr<XdeNode>& node)
{
    return node->GetImpl()->label;
}

} // namespace

XdeDocumentI::~XdeDocumentI() = default;

bool XdeDocumentI::Open(const std::wstring& path)
{
    return OpenAs(path, true);
}

bool XdeDocumentI::OpenIgnoringCase(const std::wstring& path)
{
    return OpenAs(path, false);
}

bool XdeDocumentI::OpenAs(const std::wstring& path, bool exactCase)
{
    const std::string utf8 = PathUtil::ToUtf8(path);
    Logger::Instance().Message(1, "Xde: Begin %s", utf8.c_str());
    const std::string extension = PathUtil::Extension(utf8);
    bool done = false;
    switch (ParseDocType(StringUtil::ToW(exactCase ? extension : StringUtil::ToLower(extension)))) {
    case EnumXdeDocType::STEP:
        done = StepModelReader().Open(utf8, GetImpl(), GetSettings());
        break;
    case EnumXdeDocType::IGES:
        done = IgesModelReader().Open(utf8, GetImpl(), GetSettings());
        break;
    case EnumXdeDocType::None:
        RefuseExtension(GetImpl(), extension, exactCase);
        break;
    }
    Logger::Instance().Message(1, "Xde: End.");
    return done;
}

std::shared_ptr<XdeNode> XdeDocumentI::GetRootNode() const
{
    return std::make_shared<XdeNode>(GetImpl().GetMain());
}

int XdeDocumentI::GetShapeCount() const
{
    return GetImpl().freeShapes.Length();
}

std::shared_ptr<XdeNode> XdeDocumentI::GetShapeNode(int index) const
{
    // The kernel's list is one-based; Value raises Standard_OutOfRange outside it.
    return std::make_shared<XdeNode>(GetImpl().freeShapes.Value(index + 1));
}

std::shared_ptr<TopoShape> XdeDocumentI::GetShape(const std::shared_ptr<XdeNode>& node) const
{
    const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(LabelOf(node));
    if (shape.IsNull()) {
        return {};
    }
    return std::make_shared<TopoShape>(shape);
}

EnumXdeShapeType XdeDocumentI::GetShapeType(const std::shared_ptr<XdeNode>& node) const
{
    const TDF_Label& label = LabelOf(node);
    if (XCAFDoc_ShapeTool::IsSimpleShape(label)) {
        return EnumXdeShapeType::Simple;
    }
    if (XCAFDoc_ShapeTool::IsAssembly(label)) {
        return EnumXdeShapeType::Assembly;
    }
    if (XCAFDoc_ShapeTool::IsReference(label)) {
        return EnumXdeShapeType::Reference;
    }
    if (XCAFDoc_ShapeTool::IsFree(label)) {
        return EnumXdeShapeType::Free;
    }
    return EnumXdeShapeType::None;
}

bool XdeDocumentI::IsAssembly(const std::shared_ptr<XdeNode>& node) const
{
    return XCAFDoc_ShapeTool::IsAssembly(LabelOf(node));
}

bool XdeDocumentI::IsReference(const std::shared_ptr<XdeNode>& node) const
{
    return XCAFDoc_ShapeTool::IsReference(LabelOf(node));
}

bool XdeDocumentI::IsSimpleShape(const std::shared_ptr<XdeNode>& node) const
{
    return XCAFDoc_ShapeTool::IsSimpleShape(LabelOf(node));
}

std::shared_ptr<XdeNode>
XdeDocumentI::GetReferencedShape(const std::shared_ptr<XdeNode>& node) const
{
    TDF_Label referred;
    if (!XCAFDoc_ShapeTool::GetReferredShape(LabelOf(node), referred)) {
        return {};
    }
    return std::make_shared<XdeNode>(referred);
}

glm::vec3 XdeDocumentI::GetColor(const std::shared_ptr<XdeNode>& node,
                                 const glm::vec3& fallback) const
{
    const TDF_Label& label = LabelOf(node);
    const Handle(XCAFDoc_ColorTool)& colorTool = GetImpl().colorTool;
    Quantity_ColorRGBA color;
    if (colorTool->IsColorByLayer(label)) {
        // A label on several layers has no single layer colour; its own colour decides then.
        const Handle(XCAFDoc_LayerTool) layerTool = XCAFDoc_DocumentTool::LayerTool(label);
        const Handle(TColStd_HSequenceOfExtendedString) layers = layerTool->GetLayers(label);
        if (!layers.IsNull() && layers->Length() == 1) {
            const TDF_Label layer =
                layerTool->FindLayer(layers->Value(1), Standard_False, Standard_True);
            if (!layer.IsNull() && colorTool->GetColor(layer, XCAFDoc_ColorGen, color)) {
                return MathUtil::Vec3(color.GetRGB());
            }
        }
    }
    if (colorTool->GetColor(label, XCAFDoc_ColorSurf, color) ||
        colorTool->GetColor(label, XCAFDoc_ColorGen, color)) {
        return MathUtil::Vec3(color.GetRGB());
    }
    return fallback;
}

glm::vec3 XdeDocumentI::GetFaceColor(const std::shared_ptr<TopoShape>& shape,
                                     const glm::vec3& fallback) const
{
    const Handle(XCAFDoc_ColorTool)& colorTool = GetImpl().colorTool;
    Quantity_Color color;
    if (colorTool->GetColor(shape->GetImpl(), XCAFDoc_ColorSurf, color) ||
        colorTool->GetColor(shape->GetImpl(), XCAFDoc_ColorGen, color)) {
        return MathUtil::Vec3(color);
    }
    return fallback;
}

glm::vec3 XdeDocumentI::GetEdgeColor(const std::shared_ptr<TopoShape>& shape,
                                     const glm::vec3& fallback) const
{
    Quantity_Color color;
    if (GetImpl().colorTool->GetColor(shape->GetImpl(), XCAFDoc_ColorCurv, color)) {
        return MathUtil::Vec3(color);
    }
    return fallback;
}

} // namespace orvkit
