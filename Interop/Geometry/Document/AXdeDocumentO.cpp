#include "XdeDocumentO.h"

#include "Common/Core/Logger.h"
#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"
#include "Geometry/Kernel/TopoShape.h"
#include "Interop/Kernel/XdeDocumentIGES.h"
#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeDocumentSTEP.h"
#include "Interop/Kernel/XdeLabelImpl.h"
#include "XdeNode.h"

#include <Quantity_Color.hxx>
#include <TDF_TagSource.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace orvkit {

namespace {

Quantity_Color ToColor(const glm::vec3& color)
{
    return Quantity_Color(static_cast<double>(color.r), static_cast<double>(color.g),
                          static_cast<double>(color.b), Quantity_TOC_RGB);
}

// Attaches the colour to the shape's label. The shape form of XCAFDoc_ColorTool::SetColor
// enters the colour in the colour table before it looks for the shape, so a shape the
// document does not hold would leave an unused colour behind; looking the shape up first
// keeps the document unchanged then. Not finding the shape is not an error here.
void SetShapeColor(XdeDocumentImpl& impl, const TopoDS_Shape& shape, const Quantity_Color& color,
                   XCAFDoc_ColorType type)
{
    TDF_Label label;
    if (impl.shapeTool->Search(shape, label)) {
        impl.colorTool->SetColor(label, color, type);
    }
}

} // namespace

XdeDocumentO::~XdeDocumentO() = default;

std::shared_ptr<XdeNode> XdeDocumentO::AddShape(const std::shared_ptr<TopoShape>& shape)
{
    return std::make_shared<XdeNode>(
        GetImpl().shapeTool->AddShape(shape->GetImpl(), Standard_True, Standard_True));
}

std::shared_ptr<XdeNode> XdeDocumentO::NewChild(const std::shared_ptr<XdeNode>& parent) const
{
    return std::make_shared<XdeNode>(TDF_TagSource::NewChild(parent->GetImpl()->label));
}

void XdeDocumentO::SetSurfaceColor(const std::shared_ptr<TopoShape>& shape, const glm::vec3& color)
{
    SetShapeColor(GetImpl(), shape->GetImpl(), ToColor(color), XCAFDoc_ColorSurf);
}

void XdeDocumentO::SetCurveColor(const std::shared_ptr<TopoShape>& shape, const glm::vec3& color)
{
    SetShapeColor(GetImpl(), shape->GetImpl(), ToColor(color), XCAFDoc_ColorCurv);
}

bool XdeDocumentO::Save(const std::wstring& path) const
{
    const std::string utf8 = PathUtil::ToUtf8(path);
    Logger::Instance().Message(1, "Xde: Begin %s", utf8.c_str());
    bool done = false;
    switch (ParseDocType(StringUtil::ToW(PathUtil::Extension(utf8)))) {
    case EnumXdeDocType::STEP:
        done = XdeDocumentSTEP::Save(utf8, GetImpl(), GetSettings());
        break;
    case EnumXdeDocType::IGES:
        done = XdeDocumentIGES::Save(utf8, GetImpl(), GetSettings());
        break;
    case EnumXdeDocType::None:
        break;
    }
    Logger::Instance().Message(1, "Xde: End.");
    return done;
}

} // namespace orvkit
