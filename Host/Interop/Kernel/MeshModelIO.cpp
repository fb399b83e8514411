// The library Orvex.Interop.Kernel.Mesh: the kernel's readers of OBJ and glTF files, which need
// OpenCASCADE's mesh formats, reached through MeshKernelTranslator (KernelTranslatorLibraries.h).

#include "Geometry/IO/MeshFileCheck.h"
#include "Geometry/IO/ReadableMeshFile.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/KernelTranslatorLibraries.h"

#include <RWGltf_CafReader.hxx>
#include <RWObj_CafReader.hxx>
#include <XCAFDoc_DocumentTool.hxx>

#include <optional>

namespace orvkit {

namespace {

const char* const kNotParsed = "the file could not be parsed";
const char* const kNoShape = "it holds no shape";

// Reads with one of OpenCASCADE's mesh document readers (glTF, OBJ), which fill the document
// themselves, once the file's check has let it through (`refusal` none): `readable` is what the
// reader is given, `path` what messages name. The document is in millimetres afterwards. A
// failure leaves `impl` empty.
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

ModelReadOutcome ReadObj(const std::string& path, XdeDocumentImpl& impl, ParameterDict*)
{
    // OBJ holds no unit: the numbers stay as they are, taken for millimetres.
    const ReadableMeshFile readable(path, ReadableMeshFile::OBJ);
    RWObj_CafReader reader;
    reader.SetSystemLengthUnit(0.001);
    reader.SetFileLengthUnit(0.001);
    return ReadMeshDocument(reader, readable.GetPath(), path, impl, "OBJ", readable.GetRefusal());
}

ModelReadOutcome ReadGltf(const std::string& path, XdeDocumentImpl& impl, ParameterDict*)
{
    RWGltf_CafReader reader;
    reader.SetFileLengthUnit(1.0);
    reader.SetFileCoordinateSystem(RWMesh_CoordinateSystem_glTF);
    reader.SetSystemLengthUnit(0.001);
    reader.SetSystemCoordinateSystem(RWMesh_CoordinateSystem_Zup);
    return ReadMeshDocument(reader, path, path, impl, "glTF", MeshFileCheck::Gltf(path));
}

} // namespace

} // namespace orvkit

extern "C" const orvkit::MeshKernelTranslator* OrvexKernelMeshTranslator()
{
    static const orvkit::MeshKernelTranslator table{&orvkit::ReadObj, &orvkit::ReadGltf};
    return &table;
}
