#include "XdeDocumentIGES.h"

#include "Geometry/IO/TranslatorWrite.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/WriteEntityOrder.h"

#include <IGESCAFControl_Writer.hxx>
#include <IGESData_IGESModel.hxx>

namespace orvkit {

bool XdeDocumentIGES::Write(const std::string& file, XdeDocumentImpl& impl, const char* unit)
{
    const TranslatorLock lock;
    // The document's lengths are millimetres.
    const TranslatorWriteUnits units{"MM", unit != nullptr ? unit : "MM"};
    StaticSettingsScope scope;
    PrepareIgesWrite(scope, units);
    IGESCAFControl_Writer writer;
    SetIgesGlobalSection(writer, units);
    writer.SetColorMode(Standard_True);
    writer.SetNameMode(Standard_True);
    writer.SetLayerMode(Standard_True);
    if (!writer.Transfer(impl.document)) {
        return false;
    }
    WriteEntityOrder::SortIgesNames(writer.Model());
    return writer.Write(file.c_str());
}

bool XdeDocumentIGES::Save(const std::string& path, XdeDocumentImpl& impl, ParameterDict*)
{
    InstallOcctServices();
    if (impl.document.IsNull()) {
        return false;
    }
    return WriteReplacing(path, "IGES",
                          [&](const std::string& temporary) { return Write(temporary, impl); });
}

} // namespace orvkit
