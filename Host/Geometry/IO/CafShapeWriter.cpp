#include "CafShapeWriter.h"

#include "Common/Core/PathUtil.h"
#include "Geometry/IO/CafMeshWrite.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/ShapeDocument.h"

#include <BRepBuilderAPI_Copy.hxx>

#include <fmt/format.h>

#include <utility>

namespace orvkit {

namespace {

const char* const kNoDocument = "no document can be made for the writer";
const char* const kNotMine = "the writer of {} does not take '{}'";

// New faces sharing the geometry, for the triangulation to go onto rather than onto the
// caller's. Triangulations the faces already carry are copied, since faces read from mesh files
// have nothing else.
TopoDS_Shape MeshableCopy(const TopoDS_Shape& shape)
{
    return BRepBuilderAPI_Copy(shape, Standard_False, Standard_True).Shape();
}

} // namespace

CafShapeWriter::CafShapeWriter(std::string name, std::vector<ModelFormat::EnumId> formats)
    : myName(std::move(name)), myFormats(std::move(formats))
{
}

std::string CafShapeWriter::GetFormatName() const
{
    return myName;
}

std::vector<std::string> CafShapeWriter::GetExtensions() const
{
    std::vector<std::string> extensions;
    for (const ModelFormat::EnumId id : myFormats) {
        const std::vector<std::string>& own = ModelFormat::Get(id).extensions;
        extensions.insert(extensions.end(), own.begin(), own.end());
    }
    return extensions;
}

const ModelFormat* CafShapeWriter::FormatOf(const std::string& path) const
{
    const std::string extension = PathUtil::Extension(path);
    for (const ModelFormat::EnumId id : myFormats) {
        if (ModelFormat::Get(id).Takes(extension)) {
            return &ModelFormat::Get(id);
        }
    }
    return nullptr;
}

bool CafShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path,
                           ParameterDict* settings, std::string& reason) const
{
    const ModelFormat* format = FormatOf(path);
    if (format == nullptr) {
        reason = fmt::format(kNotMine, myName, PathUtil::Extension(path));
        return false;
    }
    CafMeshWrite::Options options;
    options.documentUnit = ImportSettingsModel(settings).GetModelUnit();
    options.fileUnit = options.documentUnit;
    options.stlAscii =
        settings != nullptr && ParameterCast::Cast(settings->Find(StlAsciiKey), false);
    const ShapeDocument document(format->IsMesh() ? MeshableCopy(shape) : shape);
    if (document.Get().IsNull()) {
        reason = kNoDocument;
        return false;
    }
    if (format->IsMesh()) {
        // What the file lacks is not said: ShapeIO::Save reports a reason and nothing else.
        std::vector<std::string> warnings;
        reason = CafMeshWrite::Mesh(document.Get(), *format, options, warnings);
        if (!reason.empty()) {
            return false;
        }
    }
    return CafMeshWrite::Write(path, *format, document.Get(), options, reason);
}

} // namespace orvkit
