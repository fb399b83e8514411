#include "GltfModelReader.h"

#include "Interop/Kernel/KernelTranslatorLibraries.h"

namespace orvkit {

ModelReadOutcome GltfModelReader::Read(const std::string& path, XdeDocumentImpl& impl,
                                       ParameterDict* settings) const
{
    return MeshKernelTranslator::Get().readGltf(path, impl, settings);
}

} // namespace orvkit
