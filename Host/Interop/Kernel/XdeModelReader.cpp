#include "XdeModelReader.h"

#include "Common/Core/PathUtil.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/MeshFileCheck.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ReadableMeshFile.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "Geometry/IO/ShapeReader.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/XdeDocumentIGES.h"
#include "Interop/Kernel/XdeDocumentSTEP.h"

#include <RWGltf_CafReader.hxx>
#include <RWObj_CafReader.hxx>
#include <TDataStd_Name.hxx>
#include <XCAFDoc_DocumentTool.hxx>

#include <optional>

namespace orvkit {

namespace {

const char* const kNotParsed = "the file could not be parsed";
const char* const kNoShape = "it holds no shape";

std::string ReadableExtensions()
{
    std::string list;
    for (const ModelFormat& format : ModelFormat::All()) {
        for (const std::string& extension : format.extensions) {
            list += (list.empty() ? "" : ", ") + extension;
        }
    }
    return list;
}

// Records a read that the reader's exception ended; returns false.
bool FailReading(XdeDocumentImpl& impl, const char* format, const std::string& path,
                 const CaughtFailure& caught)
{
    const std::string why = DescribeTranslatorFailure(caught);
    return FailLoad(impl, {LoadFailureTranslatorFault, format, why},
                    std::string(format) + " reader: reading " + path + " failed: " + why);
}

// glTF and OBJ through OpenCASCADE's document readers, which fill the document themselves,
// once the file's check has let it through: `readable` is what the reader is given, `path`
// what messages name.
bool ReadMeshDocument(RWMesh_CafReader& reader, const std::string& readable,
                      const std::string& path, XdeDocumentImpl& impl, const char* format,
                      const LoadFailure& refusal)
{
    impl.CreateNew();
    if (refusal) {
        return FailLoad(impl, refusal,
                        std::string(format) + " reader: cannot read " + path + " (" +
                            refusal.Describe() + ")");
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
        return FailReading(impl, format, path, *caught);
    }
    if (!done) {
        impl.CreateNew();
        const std::string why = messages.GetFirstFailure();
        return FailLoad(impl, {LoadFailureParseError, format, why.empty() ? kNotParsed : why},
                        std::string(format) + " reader: cannot read " + path);
    }
    // The document's unit, which the STEP and IGES writers read: millimetres, as read.
    XCAFDoc_DocumentTool::SetLengthUnit(impl.document, 0.001);
    impl.RefreshTools();
    if (impl.freeShapes.IsEmpty()) {
        return FailLoad(impl, {LoadFailureNothingTransferable, format, kNoShape},
                        std::string(format) + " reader: no shape in " + path);
    }
    return true;
}

// BREP and STL hold one shape and no name: the part is named after the file.
bool ReadSingleShape(const std::string& path, XdeDocumentImpl& impl, const ModelFormat& format,
                     ParameterDict* settings)
{
    const ShapeReader* reader =
        ShapeExchangeManager::Instance().FindReader(PathUtil::Extension(path));
    impl.CreateNew();
    TopoDS_Shape shape;
    if (reader != nullptr) {
        OcctFaultScope faults;
        const std::optional<CaughtFailure> caught =
            CaughtFailure::Guard([&] { shape = reader->Read(path, ImportSettingsModel(settings)); },
                                 CaughtFailure::OcctOnly);
        if (caught) {
            return FailReading(impl, format.name, path, *caught);
        }
    }
    if (shape.IsNull()) {
        // The shape reader has logged its own words already.
        impl.failure = {LoadFailureParseError, format.name, kNotParsed};
        LoadFailure::Record(impl.failure);
        return false;
    }
    const TDF_Label label = impl.shapeTool->AddShape(shape, Standard_False);
    TDataStd_Name::Set(label, TCollection_ExtendedString(
                                  PathUtil::GetFileNameWithoutExt(path).c_str(), Standard_True));
    XCAFDoc_DocumentTool::SetLengthUnit(impl.document, 0.001);
    impl.RefreshTools();
    return true;
}

} // namespace

bool XdeModelReader::Open(const std::string& path, XdeDocumentImpl& impl, ParameterDict* settings)
{
    InstallOcctServices();
    impl.failure = LoadFailure::CheckFile(path);
    if (impl.failure) {
        impl.CreateNew();
        return FailLoad(impl, impl.failure,
                        "Cannot open file: " + path + " (" + impl.failure.Describe() + ")");
    }
    const ModelFormat* format = ModelFormat::ForPath(path);
    if (format == nullptr) {
        impl.CreateNew();
        impl.failure = {LoadFailureUnknownExtension,
                        {},
                        "'" + PathUtil::Extension(path) + "' (expected one of " +
                            ReadableExtensions() + ")"};
        LoadFailure::Record(impl.failure);
        return false;
    }
    const std::string name = format->name;
    if (name == "STEP") {
        return XdeDocumentSTEP::Open(path, impl, settings);
    }
    if (name == "IGES") {
        return XdeDocumentIGES::Open(path, impl, settings);
    }
    if (name == "glTF" || name == "GLB") {
        RWGltf_CafReader reader;
        reader.SetFileLengthUnit(1.0);
        reader.SetFileCoordinateSystem(RWMesh_CoordinateSystem_glTF);
        reader.SetSystemLengthUnit(0.001);
        reader.SetSystemCoordinateSystem(RWMesh_CoordinateSystem_Zup);
        return ReadMeshDocument(reader, path, path, impl, "glTF", MeshFileCheck::Gltf(path));
    }
    if (name == "OBJ") {
        // OBJ holds no unit: the numbers stay as they are, taken for millimetres.
        const ReadableMeshFile readable(path, ReadableMeshFile::OBJ);
        RWObj_CafReader reader;
        reader.SetSystemLengthUnit(0.001);
        reader.SetFileLengthUnit(0.001);
        return ReadMeshDocument(reader, readable.GetPath(), path, impl, "OBJ",
                                readable.GetRefusal());
    }
    return ReadSingleShape(path, impl, *format, settings);
}

} // namespace orvkit
