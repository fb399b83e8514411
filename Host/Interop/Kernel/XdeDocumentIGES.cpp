#include "XdeDocumentIGES.h"

#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/KernelTranslatorLibraries.h"

namespace orvkit {

bool XdeDocumentIGES::Write(const std::string& file, XdeDocumentImpl& impl, const char* unit)
{
    return IgesKernelTranslator::Get().write(file, impl, unit != nullptr ? unit : "MM");
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
