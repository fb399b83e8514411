#include "ShapeDocument.h"

#include "Geometry/IO/TranslatorLock.h"

#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace orvkit {

ShapeDocument::ShapeDocument(const TopoDS_Shape& shape)
{
    const TranslatorLock lock;
    XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", myDocument);
    if (myDocument.IsNull()) {
        return;
    }
    // One part, as the model writer gets a model of one part: a compound is not made an
    // assembly of its members, so that the shape is meshed as one, as ExportMeshing says.
    XCAFDoc_DocumentTool::ShapeTool(myDocument->Main())->AddShape(shape, Standard_False);
}

ShapeDocument::~ShapeDocument()
{
    const TranslatorLock lock;
    if (!myDocument.IsNull() && myDocument->IsOpened()) {
        XCAFApp_Application::GetApplication()->Close(myDocument);
    }
    myDocument.Nullify();
}

} // namespace orvkit
