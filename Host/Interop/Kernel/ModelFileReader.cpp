#include "ModelFileReader.h"

#include "Geometry/IO/OcctServices.h"

namespace orvkit {

bool ModelFileReader::Open(const std::string& path, XdeDocumentImpl& impl,
                           ParameterDict* settings) const
{
    InstallOcctServices();
    return Read(path, impl, settings).Record(impl);
}

} // namespace orvkit
