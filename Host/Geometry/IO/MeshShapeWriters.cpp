#include "MeshShapeWriters.h"

#include "Common/Core/PathUtil.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Graphics/SceneGltf.h"

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <Message_ProgressRange.hxx>
#include <Poly_Triangulation.hxx>
#include <RWMesh_CoordinateSystem.hxx>
#include <RWObj_CafWriter.hxx>
#include <StlAPI_Writer.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>
#include <TDocStd_Document.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace orvkit {

namespace {

const char* const kNoFaces = "the shape has no faces to mesh";
const char* const kNoTriangles = "meshing the shape gave no triangles";
const char* const kStlNotWritten = "the STL file cannot be written";
const char* const kObjNotWritten = "OpenCASCADE's OBJ writer failed";
const char* const kGltfNotWritten = "the glTF file cannot be written";
const char* const kNoDocument = "no document can be made for the mesh writer";
const char* const kUnknownUnit = "unknown model unit '";

// A meshed copy of `shape`; null, with the reason, when it holds no triangle.
TopoDS_Shape MeshedCopy(const TopoDS_Shape& shape, std::string& reason)
{
    if (!TopExp_Explorer(shape, TopAbs_FACE).More()) {
        reason = kNoFaces;
        return {};
    }
    // New faces sharing the geometry: the triangulation goes onto them, not onto the caller's.
    // Triangulations the faces already carry are copied, since faces read from mesh files have
    // nothing else.
    BRepBuilderAPI_Copy copy(shape, Standard_False, Standard_True);
    const TopoDS_Shape meshed = copy.Shape();
    BRepMesh_IncrementalMesh(meshed, ExportMeshing::GetLinearDeflection(shape), Standard_False,
                             ExportMeshing::AngularDeflection, Standard_False);
    for (TopExp_Explorer it(meshed, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation)& mesh =
            BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
        if (!mesh.IsNull() && mesh->NbTriangles() > 0) {
            return meshed;
        }
    }
    reason = kNoTriangles;
    return {};
}

// A fresh XCAF document holding one shape, for OpenCASCADE's document-based mesh writers; it is
// closed again when this goes away. The XCAF application is shared by every thread, so the
// document is opened and closed under the translator lock.
class SingleShapeDocument {
public:
    explicit SingleShapeDocument(const TopoDS_Shape& shape)
    {
        const TranslatorLock lock;
        XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", myDocument);
        if (!myDocument.IsNull()) {
            XCAFDoc_DocumentTool::ShapeTool(myDocument->Main())->AddShape(shape, Standard_False);
        }
    }
    ~SingleShapeDocument()
    {
        const TranslatorLock lock;
        if (!myDocument.IsNull() && myDocument->IsOpened()) {
            XCAFApp_Application::GetApplication()->Close(myDocument);
        }
        myDocument.Nullify();
    }
    SingleShapeDocument(const SingleShapeDocument&) = delete;
    SingleShapeDocument& operator=(const SingleShapeDocument&) = delete;

    const Handle(TDocStd_Document)& Get() const { return myDocument; }

private:
    Handle(TDocStd_Document) myDocument;
};

bool IsBinaryGltf(const std::string& path)
{
    const ModelFormat* format = ModelFormat::ForPath(path);
    return format != nullptr && format->id == ModelFormat::GLB;
}

} // namespace

double ExportMeshing::GetLinearDeflection(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::Add(shape, box);
    if (box.IsVoid()) {
        return MinDeflection;
    }
    box.SetGap(0.0);
    return std::max(RelativeDeflection * std::sqrt(box.SquareExtent()), MinDeflection);
}

std::string StlShapeWriter::GetFormatName() const
{
    return "STL Files";
}

std::vector<std::string> StlShapeWriter::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::STL).extensions;
}

bool StlShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path,
                           ParameterDict* settings, std::string& reason) const
{
    const TopoDS_Shape meshed = MeshedCopy(shape, reason);
    if (meshed.IsNull()) {
        return false;
    }
    StlAPI_Writer writer;
    writer.ASCIIMode() =
        settings != nullptr && ParameterCast::Cast(settings->Find(AsciiKey), false);
    if (!writer.Write(meshed, path.c_str())) {
        reason = kStlNotWritten;
        return false;
    }
    return true;
}

std::string ObjShapeWriter::GetFormatName() const
{
    return "OBJ Files";
}

std::vector<std::string> ObjShapeWriter::GetExtensions() const
{
    return ModelFormat::Get(ModelFormat::OBJ).extensions;
}

bool ObjShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict*,
                           std::string& reason) const
{
    const TopoDS_Shape meshed = MeshedCopy(shape, reason);
    if (meshed.IsNull()) {
        return false;
    }
    const SingleShapeDocument document(meshed);
    if (document.Get().IsNull()) {
        reason = kNoDocument;
        return false;
    }
    // No unit conversion is set up: the numbers go out as they are.
    RWObj_CafWriter writer(path.c_str());
    if (!writer.Perform(document.Get(), TColStd_IndexedDataMapOfStringString(),
                        Message_ProgressRange())) {
        reason = kObjNotWritten;
        return false;
    }
    return true;
}

std::string GltfShapeWriter::GetFormatName() const
{
    return "glTF Files";
}

std::vector<std::string> GltfShapeWriter::GetExtensions() const
{
    return ModelFormat::ExtensionsOf({ModelFormat::GLTF, ModelFormat::GLB});
}

bool GltfShapeWriter::Write(const TopoDS_Shape& shape, const std::string& path,
                            ParameterDict* settings, std::string& reason) const
{
    const std::string unit = ImportSettingsModel(settings).GetModelUnit();
    const double metres = LengthUnit::GetMetres(unit);
    if (metres <= 0.0) {
        reason = kUnknownUnit + unit + "'";
        return false;
    }
    const TopoDS_Shape meshed = MeshedCopy(shape, reason);
    if (meshed.IsNull()) {
        return false;
    }
    const SingleShapeDocument document(meshed);
    if (document.Get().IsNull()) {
        reason = kNoDocument;
        return false;
    }
    SceneGltf::Options options;
    options.metresPerUnit = metres;
    if (!SceneGltf(document.Get(), options).Write(path, IsBinaryGltf(path))) {
        reason = kGltfNotWritten;
        return false;
    }
    return true;
}

} // namespace orvkit
