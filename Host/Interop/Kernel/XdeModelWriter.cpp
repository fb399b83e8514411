#include "XdeModelWriter.h"

#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"
#include "Geometry/IO/ExportMeshing.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ShapeMesher.h"
#include "Graphics/SceneGltf.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/StepWriteFixes.h"
#include "Interop/Kernel/XdeDocumentIGES.h"
#include "Interop/Kernel/XdeDocumentSTEP.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeValidationProps.h"

#include <BRepBuilderAPI_Transform.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <RWObj_CafWriter.hxx>
#include <StlAPI_Writer.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDF_Tool.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopoDS.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace orvkit {

namespace {

const char* const kUnknownFormat = "no format is written with the extension '{}'";
const char* const kUnknownUnit = "unknown unit '";
const char* const kNoShapes = "the model holds no shape";
const char* const kNothingToMesh = "the model has no faces or edges to write";
const char* const kEdgesOnly =
    "the model is made of edges alone, which {} cannot hold; write gltf or glb";
const char* const kEdgesLeftOut = "{} holds triangles only: the edges that bound no face ({} of "
                                  "them) are left out; gltf and glb keep them";
const char* const kCoarser = "part '{}': {} faces meshed coarser than asked (a deflection of up "
                             "to {:.3g} mm instead of {:.3g} mm), to stay within {:.0f} "
                             "triangles a face";
const char* const kUnlinkedDimensions =
    "{} dimensions lack a face or edge they measure, or a presentation to show, and are left out";
const char* const kFlattened = "{} holds no assembly tree as written here: the model is flattened";
const char* const kNoNames = "{} holds no names or colours";
const char* const kNoDimensions = "{} dimensions are left out: only STEP holds them";
const char* const kMeshOnly =
    "the model is made of triangle meshes, which {} cannot hold; write stl, obj, gltf or glb";

// What the parts give the mesh formats.
struct MeshedParts {
    bool faces = false;
    // Edges that bound no face (a wire model's), counted once a part.
    int freeEdges = 0;
};

// The edges of `shape` that bound no face, degenerate ones left aside.
int CountFreeEdges(const TopoDS_Shape& shape)
{
    TopTools_IndexedDataMapOfShapeListOfShape edgeFaces;
    TopExp::MapShapesAndAncestors(shape, TopAbs_EDGE, TopAbs_FACE, edgeFaces);
    int free = 0;
    for (int i = 1; i <= edgeFaces.Extent(); ++i) {
        free +=
            edgeFaces(i).IsEmpty() && !BRep_Tool::Degenerated(TopoDS::Edge(edgeFaces.FindKey(i)))
                ? 1
                : 0;
    }
    return free;
}

std::string PartName(const TDF_Label& label)
{
    Handle(TDataStd_Name) name;
    if (label.FindAttribute(TDataStd_Name::GetID(), name)) {
        return StringUtil::ToA(name->Get().ToExtString());
    }
    TCollection_AsciiString entry;
    TDF_Tool::Entry(label, entry);
    return entry.ToCString();
}

// Meshes every part once, where its instances share it; faces that came from a mesh file keep
// their triangles. A part whose faces would take the mesher past its budget is meshed coarser,
// with a warning naming it.
MeshedParts MeshParts(XdeDocumentImpl& impl, const XdeWriteOptions& options,
                      std::vector<std::string>& warnings)
{
    MeshedParts meshed;
    for (const TDF_Label& label : XdeModelEdit::Parts(impl)) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
        meshed.freeEdges += CountFreeEdges(shape);
        if (!TopExp_Explorer(shape, TopAbs_FACE).More()) {
            continue;
        }
        meshed.faces = true;
        // Without a deflection given, the shape writers' own: 0.1 % of the part's size.
        const double deflection = ExportMeshing::GetLinearDeflection(shape, options.deflection);
        const ShapeMesher::Result result =
            ShapeMesher::Mesh(shape, deflection, options.angle, options.maxFaceTriangles);
        if (result.coarsened > 0) {
            warnings.push_back(fmt::format(kCoarser, PartName(label), result.coarsened,
                                           result.deflection, deflection,
                                           options.maxFaceTriangles));
        }
    }
    return meshed;
}

// Why the mesh format cannot be written from what the parts give; empty when it can. Edges that
// bound no face go to glTF as line primitives. OBJ could hold them as "l" records, but
// OpenCASCADE's OBJ writer writes triangles alone and its reader skips those records, so lines
// would be written here and lost on the way back in; a warning says they are left out, and
// points to glTF, which keeps them.
std::string CheckMeshed(const MeshedParts& meshed, const ModelFormat& format,
                        std::vector<std::string>& warnings)
{
    const bool keepsLines = format.id == ModelFormat::GLTF || format.id == ModelFormat::GLB;
    if (!meshed.faces && meshed.freeEdges == 0) {
        return kNothingToMesh;
    }
    if (!meshed.faces && !keepsLines) {
        return fmt::format(kEdgesOnly, format.name);
    }
    if (meshed.freeEdges > 0 && !keepsLines) {
        warnings.push_back(fmt::format(kEdgesLeftOut, format.name, meshed.freeEdges));
    }
    return {};
}

// Whether OpenCASCADE's AP242 writer writes a dimension so that a reader gets it back. A size
// needs what it measures. A distance or an angle needs its first end: the reader leaves the
// second one out where it finds no face or edge for it (the path of a distance takes its place,
// say), and such a dimension is written with a second end that names no geometry
// (StepWriteFixes::RepairModel), which reads back as it was. A label that names no shape is
// written as its presentation alone, so it needs one; so does a presentation, and its shapes.
bool IsWritable(const XCAFDoc_DimTolTool& tool, const TDF_Label& dimension)
{
    Handle(XCAFDoc_Dimension) attribute;
    if (!dimension.FindAttribute(XCAFDoc_Dimension::GetID(), attribute)) {
        return false;
    }
    const Handle(XCAFDimTolObjects_DimensionObject) object = attribute->GetObject();
    if (object.IsNull()) {
        return false;
    }
    const bool presented = !object->GetPresentation().IsNull();
    if (object->GetType() == XCAFDimTolObjects_DimensionType_CommonLabel) {
        return presented;
    }
    TDF_LabelSequence first;
    TDF_LabelSequence second;
    const bool linked = tool.GetRefShapeLabel(dimension, first, second) && !first.IsEmpty();
    if (object->GetType() == XCAFDimTolObjects_DimensionType_DimensionPresentation) {
        return linked && presented;
    }
    return linked;
}

// Removes the dimensions that OpenCASCADE's AP242 writer would write so that no reader gets
// them back (a size without the face it measures, say). How many it removed.
int DropUnwritableDimensions(XdeDocumentImpl& impl)
{
    if (impl.dimTolTool.IsNull()) {
        return 0;
    }
    TDF_LabelSequence dimensions;
    impl.dimTolTool->GetDimensionLabels(dimensions);
    int dropped = 0;
    for (const TDF_Label& dimension : dimensions) {
        if (!IsWritable(*impl.dimTolTool, dimension)) {
            dimension.ForgetAllAttributes();
            ++dropped;
        }
    }
    return dropped;
}

// What the format loses of this model, for the user.
void AddLossWarnings(const XdeDocumentImpl& impl, const ModelFormat& format,
                     std::vector<std::string>& warnings)
{
    bool assembly = false;
    for (const TDF_Label& root : impl.freeShapes) {
        assembly = assembly || XCAFDoc_ShapeTool::IsAssembly(root);
    }
    if (assembly && !format.keepsTree && format.keepsColors) {
        warnings.push_back(fmt::format(kFlattened, format.name));
    }
    if (!format.keepsColors) {
        warnings.push_back(fmt::format(kNoNames, format.name));
    }
    TDF_LabelSequence dimensions;
    if (!impl.dimTolTool.IsNull()) {
        impl.dimTolTool->GetDimensionLabels(dimensions);
    }
    if (!dimensions.IsEmpty() && std::string(format.name) != "STEP") {
        warnings.push_back(fmt::format(kNoDimensions, dimensions.Length()));
    }
}

// Whether any face of the model is only a triangulation (read from a mesh file).
bool HasMeshOnlyFaces(const XdeDocumentImpl& impl)
{
    // Part by part, not through the placed model: a part placed 10,000 times is looked at once.
    for (const TDF_Label& part : XdeModelEdit::Parts(impl)) {
        for (TopExp_Explorer it(XCAFDoc_ShapeTool::GetShape(part), TopAbs_FACE); it.More();
             it.Next()) {
            if (!BRep_Tool::IsGeometric(TopoDS::Face(it.Current()))) {
                return true;
            }
        }
    }
    return false;
}

// Scales the numbers of a format without a unit of its own from millimetres into `metres`.
TopoDS_Shape InUnit(const TopoDS_Shape& shape, double metres)
{
    if (std::abs(metres - 0.001) < 1e-15) {
        return shape;
    }
    gp_Trsf scale;
    scale.SetScaleFactor(0.001 / metres);
    return BRepBuilderAPI_Transform(shape, scale, Standard_True).Shape();
}

bool WriteMeshDocument(const std::string& file, XdeDocumentImpl& impl, const ModelFormat& format,
                       double metres, const XdeWriteOptions& options)
{
    const TColStd_IndexedDataMapOfStringString fileInfo;
    if (format.Takes(".obj")) {
        RWObj_CafWriter writer(file.c_str());
        writer.ChangeCoordinateSystemConverter().SetInputLengthUnit(0.001);
        writer.ChangeCoordinateSystemConverter().SetInputCoordinateSystem(
            RWMesh_CoordinateSystem_Zup);
        writer.ChangeCoordinateSystemConverter().SetOutputLengthUnit(metres);
        writer.ChangeCoordinateSystemConverter().SetOutputCoordinateSystem(
            RWMesh_CoordinateSystem_Zup);
        return writer.Perform(impl.document, fileInfo, Message_ProgressRange());
    }
    SceneGltf::Options gltf;
    gltf.deflection = options.deflection;
    gltf.angle = options.angle;
    gltf.maxFaceTriangles = options.maxFaceTriangles;
    return SceneGltf(impl.document, gltf).Write(file, format.id == ModelFormat::GLB);
}

// The write itself; the reason for a failure, empty when the file was written.
std::string Write(const std::string& path, XdeDocumentImpl& impl, const XdeWriteOptions& options,
                  std::vector<std::string>& warnings)
{
    InstallOcctServices();
    const ModelFormat* format = ModelFormat::ForPath(path);
    if (format == nullptr || !format->writable) {
        return fmt::format(kUnknownFormat, PathUtil::Extension(path));
    }
    const std::string unit = options.unit.empty() ? std::string("mm") : options.unit;
    const double metres = LengthUnit::GetMetres(unit);
    const char* translatorUnit = LengthUnit::GetTranslatorName(unit);
    if (metres <= 0.0 || translatorUnit == nullptr) {
        return kUnknownUnit + unit + "'";
    }
    if (impl.shapeTool.IsNull() || impl.freeShapes.IsEmpty()) {
        return kNoShapes;
    }
    if (!format->IsMesh() && HasMeshOnlyFaces(impl)) {
        return fmt::format(kMeshOnly, format->name);
    }
    XdeModelEdit::TransformRoots(impl, options.transform);
    const std::string name = format->name;
    if (name == "STEP") {
        for (std::string& warning : StepWriteFixes::PrepareDocument(impl)) {
            warnings.push_back(std::move(warning));
        }
        XdeValidationProps::StoreForParts(impl);
        if (const int dropped = DropUnwritableDimensions(impl); dropped > 0) {
            warnings.push_back(fmt::format(kUnlinkedDimensions, dropped));
        }
    }
    AddLossWarnings(impl, *format, warnings);
    if (format->IsMesh()) {
        if (std::string reason = CheckMeshed(MeshParts(impl, options, warnings), *format, warnings);
            !reason.empty()) {
            return reason;
        }
    }
    return ReplaceFile(path, format->name, [&](const std::string& file, std::string& reason) {
        if (name == "STEP") {
            return XdeDocumentSTEP::Write(file, impl, translatorUnit);
        }
        if (name == "IGES") {
            return XdeDocumentIGES::Write(file, impl, translatorUnit);
        }
        if (name == "BREP") {
            return BRepTools::Write(InUnit(XdeModelEdit::WholeShape(impl), metres), file.c_str());
        }
        if (name == "STL") {
            StlAPI_Writer writer;
            writer.ASCIIMode() = Standard_False;
            if (!writer.Write(InUnit(XdeModelEdit::WholeShape(impl), metres), file.c_str())) {
                reason = "the STL writer failed";
                return false;
            }
            return true;
        }
        return WriteMeshDocument(file, impl, *format, metres, options);
    });
}

} // namespace

XdeWriteResult XdeModelWriter::Save(const std::string& path, XdeDocumentImpl& impl,
                                    const XdeWriteOptions& options)
{
    XdeWriteResult result;
    result.failure = Write(path, impl, options, result.warnings);
    if (!result) {
        result.warnings.clear();
    }
    return result;
}

} // namespace orvkit
