#include "XdeDocumentImpl.h"

#include "Geometry/IO/TranslatorLock.h"

#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>

namespace orvkit {

XdeDocumentImpl::XdeDocumentImpl()
{
    CreateNew();
}

XdeDocumentImpl::~XdeDocumentImpl()
{
    Close();
}

bool XdeDocumentImpl::CreateNew()
{
    // The application's list of open documents is shared by every thread.
    const TranslatorLock lock;
    Close();
    Handle(XCAFApp_Application) application = XCAFApp_Application::GetApplication();
    application->NewDocument("MDTV-XCAF", document);
    if (document.IsNull()) {
        return false;
    }
    RefreshTools();
    return true;
}

TDF_Label XdeDocumentImpl::GetMain() const
{
    return document.IsNull() ? TDF_Label() : document->Main();
}

void XdeDocumentImpl::RefreshTools()
{
    freeShapes.Clear();
    if (document.IsNull()) {
        colorTool.Nullify();
        shapeTool.Nullify();
        dimTolTool.Nullify();
        return;
    }
    const TDF_Label main = document->Main();
    colorTool = XCAFDoc_DocumentTool::ColorTool(main);
    shapeTool = XCAFDoc_DocumentTool::ShapeTool(main);
    dimTolTool = XCAFDoc_DocumentTool::DimTolTool(main);
    shapeTool->GetFreeShapes(freeShapes);
}

void XdeDocumentImpl::Close()
{
    freeShapes.Clear();
    declaredValidation.clear();
    readWarnings.clear();
    declaredPrecision = 0.0;
    colorTool.Nullify();
    shapeTool.Nullify();
    dimTolTool.Nullify();
    if (!document.IsNull()) {
        const TranslatorLock lock;
        // The application keeps every document it made until it is closed.
        if (document->IsOpened()) {
            XCAFApp_Application::GetApplication()->Close(document);
        }
        document.Nullify();
    }
}

} // namespace orvkit
