#include "MeshDocumentRead.h"

#include "Geometry/IO/OcctFaultScope.h"
#include "Geometry/IO/OcctMessageCapture.h"
#include "Interop/Kernel/KernelSupport.h"

#include <XCAFDoc_DocumentTool.hxx>

#include <optional>

namespace orvkit {

namespace {

const char* const kNotParsed = "the file could not be parsed";
const char* const kNoShape = "it holds no shape";

} // namespace

ModelReadOutcome FailedReading(const char* format, const std::string& path,
                               const CaughtFailure& caught)
{
    const std::string why = DescribeTranslatorFailure(caught);
    return {{LoadFailureTranslatorFault, format, why},
            std::string(format) + " reader: reading " + path + " failed: " + why};
}

ModelReadOutcome ReadMeshDocument(RWMesh_CafReader& reader, const std::string& readable,
                                  const std::string& path, XdeDocumentImpl& impl,
                                  const char* format, const LoadFailure& refusal)
{
    impl.CreateNew();
    if (refusal) {
        return {refusal, std::string(format) + " reader: cannot read " + path + " (" +
                             refusal.Describe() + ")"};
    }
    // A file cut short or broken half-way is a failed read, not a partial model.
    reader.SetFillIncompleteDocument(Standard_False);
    reader.SetDocument(impl.document);
    OcctFaultScope faults;
    OcctMessageCapture messages;
    bool done = false;
    const std::optional<CaughtFailure> caught = CaughtFailure::Guard(
        [&] {
            done =
                reader.Perform(TCollection_AsciiString(readable.c_str()), Message_ProgressRange());
        },
        CaughtFailure::OcctOnly);
    if (caught) {
        impl.CreateNew();
        return FailedReading(format, path, *caught);
    }
    if (!done) {
        impl.CreateNew();
        const std::string why = messages.GetFirstFailure();
        return {{LoadFailureParseError, format, why.empty() ? kNotParsed : why},
                std::string(format) + " reader: cannot read " + path};
    }
    // The document's unit, which the STEP and IGES writers read: millimetres, as read.
    XCAFDoc_DocumentTool::SetLengthUnit(impl.document, 0.001);
    impl.RefreshTools();
    if (impl.freeShapes.IsEmpty()) {
        return {{LoadFailureNothingTransferable, format, kNoShape},
                std::string(format) + " reader: no shape in " + path};
    }
    return {};
}

} // namespace orvkit
