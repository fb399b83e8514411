#include "XdeDocumentIGES.h"

#include "Interop/Kernel/KernelSupport.h"

#include <IGESCAFControl_Reader.hxx>
#include <IGESCAFControl_Writer.hxx>
#include <IGESControl_Controller.hxx>

namespace orvkit {

bool XdeDocumentIGES::Open(const std::string& path, XdeDocumentImpl& impl, ParameterDict*)
{
    InstallOcctServices();
    // Held until the reader is gone, as for STEP.
    const TranslatorLock lock;
    IGESCAFControl_Reader reader; // registers the IGES parameters set below
    StaticSettingsScope scope;
    scope.SetInteger("read.iges.onlyvisible", 0);
    scope.SetInteger("read.iges.bspline.continuity", 1);
    reader.SetColorMode(Standard_True);
    reader.SetNameMode(Standard_True);
    reader.SetLayerMode(Standard_True);
    reader.SetReadVisible(Standard_False);
    return ReadIntoDocument(reader, path, impl, "IGES");
}

bool XdeDocumentIGES::Save(const std::string& path, XdeDocumentImpl& impl, ParameterDict*)
{
    InstallOcctServices();
    if (impl.document.IsNull()) {
        return false;
    }
    return WriteReplacing(path, "IGES", [&](const std::string& temporary) {
        const TranslatorLock lock;
        IGESControl_Controller::Init();
        StaticSettingsScope scope;
        scope.SetInteger("write.iges.brep.mode", 1);
        IGESCAFControl_Writer writer;
        writer.SetColorMode(Standard_True);
        writer.SetNameMode(Standard_True);
        writer.SetLayerMode(Standard_True);
        return writer.Transfer(impl.document) && writer.Write(temporary.c_str());
    });
}

} // namespace orvkit
