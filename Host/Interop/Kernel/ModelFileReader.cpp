#include "ModelFileReader.h"

#include "Common/Core/LazyLibrary.h"
#include "Geometry/IO/OcctServices.h"

namespace orvkit {

ModelReadOutcome ModelFileReader::ReadFile(const std::string& path, XdeDocumentImpl& impl,
                                           ParameterDict* settings) const
{
    try {
        return Read(path, impl, settings);
    } catch (const LazyLibraryError& error) {
        impl.CreateNew();
        return {{LoadFailureTranslatorFault, {}, error.what()},
                "cannot read " + path + ": " + error.what()};
    }
}

bool ModelFileReader::Open(const std::string& path, XdeDocumentImpl& impl,
                           ParameterDict* settings) const
{
    InstallOcctServices();
    return ReadFile(path, impl, settings).Record(impl);
}

} // namespace orvkit
