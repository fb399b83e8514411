#include "XdeModelReader.h"

#include "Common/Core/PathUtil.h"
#include "Geometry/IO/OcctServices.h"
#include "Interop/Kernel/ModelReaderTable.h"

namespace orvkit {

namespace {

// The table's reader for the path, once the file is there to be read.
ModelReadOutcome ReadWithTable(const std::string& path, XdeDocumentImpl& impl,
                               ParameterDict* settings)
{
    if (const LoadFailure unopened = LoadFailure::CheckFile(path)) {
        impl.CreateNew();
        return {unopened, "Cannot open file: " + path + " (" + unopened.Describe() + ")"};
    }
    const ModelFileReader* reader = ModelReaderTable::ForPath(path);
    if (reader == nullptr) {
        impl.CreateNew();
        return {{LoadFailureUnknownExtension,
                 {},
                 "'" + PathUtil::Extension(path) + "' (expected one of " +
                     ModelReaderTable::Extensions() + ")"},
                {}};
    }
    return reader->ReadFile(path, impl, settings);
}

} // namespace

bool XdeModelReader::Open(const std::string& path, XdeDocumentImpl& impl, ParameterDict* settings)
{
    InstallOcctServices();
    return ReadWithTable(path, impl, settings).Record(impl);
}

} // namespace orvkit
