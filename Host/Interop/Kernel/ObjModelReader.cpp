#include "ObjModelReader.h"

#include "Interop/Kernel/KernelTranslatorLibraries.h"

namespace orvkit {

ModelReadOutcome ObjModelReader::Read(const std::string& path, XdeDocumentImpl& impl,
                                      ParameterDict* settings) const
{
    return MeshKernelTranslator::Get().readObj(path, impl, settings);
}

} // namespace orvkit
