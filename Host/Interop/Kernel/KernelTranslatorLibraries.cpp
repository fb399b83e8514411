#include "KernelTranslatorLibraries.h"

#include "Common/Core/LazyLibrary.h"

namespace orvkit {

const IgesKernelTranslator& IgesKernelTranslator::Get()
{
    return LazyLibrary::Get<IgesKernelTranslator>("Orvex.Interop.Kernel.Iges",
                                                  "OrvexKernelIgesTranslator");
}

const MeshKernelTranslator& MeshKernelTranslator::Get()
{
    return LazyLibrary::Get<MeshKernelTranslator>("Orvex.Interop.Kernel.Mesh",
                                                  "OrvexKernelMeshTranslator");
}

} // namespace orvkit
