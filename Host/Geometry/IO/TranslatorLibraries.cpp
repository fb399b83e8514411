#include "TranslatorLibraries.h"

#include "Common/Core/LazyLibrary.h"

namespace orvkit {

const IgesTranslator& IgesTranslator::Get()
{
    return LazyLibrary::Get<IgesTranslator>("Orvex.Host.Iges", "OrvexHostIgesTranslator");
}

const MeshTranslator& MeshTranslator::Get()
{
    return LazyLibrary::Get<MeshTranslator>("Orvex.Host.Mesh", "OrvexHostMeshTranslator");
}

} // namespace orvkit
