#include "CafMeshWrite.h"

#include "Geometry/IO/LabelName.h"
#include "Geometry/IO/LengthUnit.h"
#include "Geometry/IO/TranslatorLibraries.h"
#include "Graphics/SceneGltf.h"

#include <BRepBuilderAPI_Transform.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Message_ProgressRange.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDF_Tool.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <fmt/format.h>

#include <cmath>

namespace orvkit {

namespace {

const char* const kNothingToMesh = "the model has no faces or edges to write";
const char* const kEdgesOnly =
    "the model is made of edges alone, which {} cannot hold; write gltf or glb";
const char* const kEdgesLeftOut = "{} holds triangles only: the edges that bound no face ({} of "
                                  "them) are left out; gltf and glb keep them";
const char* const kCoarser = "part '{}': {} faces meshed coarser than asked (a deflection of up "
                             "to {:.3g} {} instead of {:.3g} {}), to stay within {:.0f} "
                             "triangles a face";
const char* const kCrossed = "part '{}': {} faces meshed coarser than asked (a deflection of up "
                             "to {:.3g} {} instead of {:.3g} {}), since their borders cross "
                             "themselves at the deflection asked";
const char* const kNotWrittenHere = "{} files are written through a translator, not here";
const char* const kGltfFailed = "the glTF file cannot be written";
const char* const kBrepFailed = "the BREP file cannot be written";

// Why the options' units cannot be written; empty when LengthUnit knows both.
std::string CheckUnits(const CafMeshWrite::Options& options)
{
    for (const std::string& unit : {options.documentUnit, options.fileUnit}) {
        if (LengthUnit::GetMetres(unit) <= 0.0) {
            return LengthUnit::UnknownText(unit);
        }
    }
    return {};
}

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

// A part as a warning names it: its name, else its label's entry ("0:1:1:2").
std::string PartName(const TDF_Label& label)
{
    std::string name = LabelName(label);
    if (!name.empty()) {
        return name;
    }
    TCollection_AsciiString entry;
    TDF_Tool::Entry(label, entry);
    return entry.ToCString();
}

Handle(XCAFDoc_ShapeTool) ShapeTool(const Handle(TDocStd_Document)& document)
{
    return XCAFDoc_DocumentTool::ShapeTool(document->Main());
}

// Every shape label that is not an assembly, each once however often it is placed.
std::vector<TDF_Label> Parts(const Handle(TDocStd_Document)& document)
{
    TDF_LabelSequence shapes;
    ShapeTool(document)->GetShapes(shapes);
    std::vector<TDF_Label> parts;
    for (const TDF_Label& label : shapes) {
        if (!XCAFDoc_ShapeTool::IsAssembly(label)) {
            parts.push_back(label);
        }
    }
    return parts;
}

// Meshes every part once, where its instances share it. A part whose faces would take the
// mesher past its budget, or whose faces' borders cross themselves, is meshed coarser, with a
// warning naming it.
MeshedParts MeshParts(const Handle(TDocStd_Document)& document,
                      const CafMeshWrite::Options& options, std::vector<std::string>& warnings)
{
    MeshedParts meshed;
    for (const TDF_Label& label : Parts(document)) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
        meshed.freeEdges += CountFreeEdges(shape);
        if (!TopExp_Explorer(shape, TopAbs_FACE).More()) {
            continue;
        }
        meshed.faces = true;
        const double deflection = ExportMeshing::GetLinearDeflection(shape, options.deflection);
        const ShapeMesher::Result result =
            ShapeMesher::Mesh(shape, deflection, options.angle, options.maxFaceTriangles);
        if (result.coarsened > 0) {
            warnings.push_back(fmt::format(kCoarser, PartName(label), result.coarsened,
                                           result.deflection, options.documentUnit, deflection,
                                           options.documentUnit, options.maxFaceTriangles));
        }
        if (result.crossed > 0) {
            warnings.push_back(fmt::format(kCrossed, PartName(label), result.crossed,
                                           result.crossedDeflection, options.documentUnit,
                                           deflection, options.documentUnit));
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

// The placed shapes of the free labels: the one free shape as it is, or a compound of them all.
TopoDS_Shape PlacedRoots(const Handle(TDocStd_Document)& document)
{
    TDF_LabelSequence roots;
    ShapeTool(document)->GetFreeShapes(roots);
    if (roots.Length() == 1) {
        return XCAFDoc_ShapeTool::GetShape(roots.First());
    }
    TopoDS_Compound compound;
    BRep_Builder builder;
    builder.MakeCompound(compound);
    for (const TDF_Label& root : roots) {
        builder.Add(compound, XCAFDoc_ShapeTool::GetShape(root));
    }
    return compound;
}

// The shape with its numbers taken from `fromMetres` units into `toMetres` units; the shape
// itself when the two are one.
TopoDS_Shape InUnit(const TopoDS_Shape& shape, double fromMetres, double toMetres)
{
    const double factor = fromMetres / toMetres;
    if (std::abs(factor - 1.0) < 1e-12) {
        return shape;
    }
    gp_Trsf scale;
    scale.SetScaleFactor(factor);
    return BRepBuilderAPI_Transform(shape, scale, Standard_True).Shape();
}

bool WriteGltf(const std::string& file, const Handle(TDocStd_Document)& document,
               const ModelFormat& format, double documentMetres,
               const CafMeshWrite::Options& options, std::string& reason)
{
    SceneGltf::Options gltf;
    gltf.metresPerUnit = documentMetres;
    gltf.deflection = options.deflection;
    gltf.angle = options.angle;
    gltf.maxFaceTriangles = options.maxFaceTriangles;
    if (!SceneGltf(document, gltf).Write(file, format.id == ModelFormat::GLB)) {
        reason = kGltfFailed;
        return false;
    }
    return true;
}

} // namespace

std::string CafMeshWrite::Mesh(const Handle(TDocStd_Document)& document, const ModelFormat& format,
                               const Options& options, std::vector<std::string>& warnings)
{
    // A unit that cannot be written is found before the meshing, which may take minutes.
    if (std::string unknown = CheckUnits(options); !unknown.empty()) {
        return unknown;
    }
    return CheckMeshed(MeshParts(document, options, warnings), format, warnings);
}

bool CafMeshWrite::Write(const std::string& file, const ModelFormat& format,
                         const Handle(TDocStd_Document)& document, const Options& options,
                         std::string& reason)
{
    reason = CheckUnits(options);
    if (!reason.empty()) {
        return false;
    }
    const double documentMetres = LengthUnit::GetMetres(options.documentUnit);
    const double fileMetres = LengthUnit::GetMetres(options.fileUnit);
    switch (format.id) {
    case ModelFormat::STL:
        return MeshTranslator::Get().writeStl(
            file, InUnit(PlacedRoots(document), documentMetres, fileMetres), options.stlAscii,
            reason);
    case ModelFormat::OBJ:
        return MeshTranslator::Get().writeObj(file, document, documentMetres, fileMetres, reason);
    case ModelFormat::GLTF:
    case ModelFormat::GLB:
        return WriteGltf(file, document, format, documentMetres, options, reason);
    case ModelFormat::BREP:
        if (!BRepTools::Write(InUnit(PlacedRoots(document), documentMetres, fileMetres),
                              file.c_str())) {
            reason = kBrepFailed;
            return false;
        }
        return true;
    case ModelFormat::STEP:
    case ModelFormat::IGES:
        break;
    }
    reason = fmt::format(kNotWrittenHere, format.name);
    return false;
}

} // namespace orvkit
