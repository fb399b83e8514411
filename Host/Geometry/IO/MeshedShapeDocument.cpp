#include "MeshedShapeDocument.h"

#include "Geometry/IO/MeshedCopy.h"
#include "Geometry/IO/TranslatorLock.h"

#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace orvkit {

namespace {

const char* const kNoDocument = "no document can be made for the mesh writer";

} // namespace

MeshedShapeDocument::MeshedShapeDocument(const TopoDS_Shape& shape)
{
    const TopoDS_Shape meshed = MeshedCopy(shape, myReason);
    if (meshed.IsNull()) {
        return;
    }
    const TranslatorLock lock;
    XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", myDocument);
    if (myDocument.IsNull()) {
        myReason = kNoDocument;
        return;
    }
    XCAFDoc_DocumentTool::ShapeTool(myDocument->Main())->AddShape(meshed, Standard_False);
}

MeshedShapeDocument::~MeshedShapeDocument()
{
    const TranslatorLock lock;
    if (!myDocument.IsNull() && myDocument->IsOpened()) {
        XCAFApp_Application::GetApplication()->Close(myDocument);
    }
    myDocument.Nullify();
}

} // namespace orvkit
