#include "IgesModelReader.h"

#include "Interop/Kernel/KernelTranslatorLibraries.h"

namespace orvkit {

ModelReadOutcome IgesModelReader::Read(const std::string& path, XdeDocumentImpl& impl,
                                       ParameterDict* settings) const
{
    return IgesKernelTranslator::Get().read(path, impl, settings);
}

} // namespace orvkit
