#include "XdeModelWriter.h"

#include "Common/Core/PathUtil.h"
#include "Geometry/IO/CafMeshWrite.h"
#include "Geometry/IO/LabelName.h"
#include "Geometry/IO/LabelProperties.h"
#include "Geometry/IO/LengthUnit.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/PmiDatums.h"
#include "Interop/Kernel/StepTessellationWrite.h"
#include "Interop/Kernel/StepWriteFixes.h"
#include "Interop/Kernel/XdeDocumentIGES.h"
#include "Interop/Kernel/XdeDocumentSTEP.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeValidationProps.h"

#include <BRep_Tool.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>

#include <fmt/format.h>

#include <tuple>
#include <utility>
#include <vector>

namespace orvkit {

namespace {

const char* const kUnknownFormat = "no format is written with the extension '{}'";
const char* const kNotWritable = "{} files are not written";
const char* const kNoShapes = "the model holds no shape";
const char* const kUnlinkedDimensions =
    "{} dimensions lack a face or edge they measure, or a presentation to show, and are left out";
const char* const kFlattened = "{} holds no assembly tree as written here: the model is flattened";
const char* const kNoNames = "{} holds no names or colours";
const char* const kNoPmi = "{} PMI {} ({}) {} not kept: {} holds no semantic PMI";
const char* const kNoFacts = "{} {} not kept: {} holds none";
const char* const kMixedFaces = "STEP cannot hold parts whose faces mix triangle meshes with exact "
                                "surfaces ({}); write stl, obj, gltf or glb";
const char* const kMeshOnly =
    "the model is made of triangle meshes, which {} cannot hold; write stl, obj, gltf or glb";

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

// The semantic PMI items of the document, by kind, counted as the library lists them: a datum
// stated once for each frame that names it is one datum, and so is a datum target.
std::vector<std::pair<const char*, size_t>> CountPmi(const XCAFDoc_DimTolTool& tool)
{
    TDF_LabelSequence labels;
    tool.GetDimensionLabels(labels);
    size_t dimensions = 0;
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Dimension) attribute;
        if (label.FindAttribute(XCAFDoc_Dimension::GetID(), attribute) &&
            !attribute->GetObject().IsNull() &&
            attribute->GetObject()->GetType() != XCAFDimTolObjects_DimensionType_CommonLabel &&
            attribute->GetObject()->GetType() !=
                XCAFDimTolObjects_DimensionType_DimensionPresentation) {
            ++dimensions;
        }
    }
    tool.GetGeomToleranceLabels(labels);
    const size_t tolerances = size_t(labels.Length());
    size_t datums = 0;
    size_t targets = 0;
    for (const DocumentDatum& datum : DistinctDatums(tool)) {
        ++(datum.object->IsDatumTarget() ? targets : datums);
    }
    return {{"dimensions", dimensions},
            {"tolerances", tolerances},
            {"datums", datums},
            {"datum targets", targets}};
}

// "12 PMI items (dimensions, tolerances, datums) are not kept: IGES holds no semantic PMI"; empty
// when the document has none.
std::string PmiLoss(const XdeDocumentImpl& impl, const ModelFormat& format)
{
    if (impl.dimTolTool.IsNull()) {
        return {};
    }
    size_t count = 0;
    std::string kinds;
    for (const auto& [kind, number] : CountPmi(*impl.dimTolTool)) {
        if (number > 0) {
            count += number;
            kinds += (kinds.empty() ? "" : ", ") + std::string(kind);
        }
    }
    if (count == 0) {
        return {};
    }
    return fmt::format(kNoPmi, count, count == 1 ? "item" : "items", kinds,
                       count == 1 ? "is" : "are", format.name);
}

// Whether an IGES write keeps the body's name: OCCT's writer gives a solid or shell the name
// of its label as a Name property, which the reader takes back. A body that is its part's
// whole shape is written once, under its part's name; a group of faces comes out as faces of
// the part.
bool IgesKeepsBodyName(const TDF_Label& part, const TDF_Label& body, const TopoDS_Shape& shape)
{
    if (shape.ShapeType() != TopAbs_SOLID && shape.ShapeType() != TopAbs_SHELL) {
        return false;
    }
    return !shape.IsSame(XCAFDoc_ShapeTool::GetShape(part)) || LabelName(body) == LabelName(part);
}

// "2 materials, 1 body name and 4 properties are not kept: IGES holds none"; empty when the
// document has none of them.
std::string FactsLoss(const XdeDocumentImpl& impl, const ModelFormat& format)
{
    size_t materials = 0, bodies = 0, properties = 0;
    TDF_LabelSequence shapes;
    impl.shapeTool->GetShapes(shapes);
    for (const TDF_Label& shape : shapes) {
        materials += ReadLabelMaterial(shape) ? 1 : 0;
        TDF_LabelSequence below;
        XCAFDoc_ShapeTool::GetComponents(shape, below);
        XCAFDoc_ShapeTool::GetSubShapes(shape, below);
        below.Append(shape);
        for (const TDF_Label& label : below) {
            properties += ReadLabelProperties(label).size();
            const TopoDS_Shape sub = XCAFDoc_ShapeTool::GetShape(label);
            const bool body = label != shape && XCAFDoc_ShapeTool::IsSubShape(label) &&
                              !sub.IsNull() && sub.ShapeType() <= TopAbs_SHELL &&
                              !LabelName(label).empty();
            bodies +=
                body && !(format.id == ModelFormat::IGES && IgesKeepsBodyName(shape, label, sub))
                    ? 1
                    : 0;
        }
    }
    std::string lost;
    for (const auto& [count, one, many] : {std::make_tuple(materials, "material", "materials"),
                                           std::make_tuple(bodies, "body name", "body names"),
                                           std::make_tuple(properties, "property", "properties")}) {
        if (count > 0) {
            lost +=
                fmt::format("{}{} {}", lost.empty() ? "" : ", ", count, count == 1 ? one : many);
        }
    }
    if (lost.empty()) {
        return {};
    }
    const bool one = materials + bodies + properties == 1;
    return fmt::format(kNoFacts, lost, one ? "is" : "are", format.name);
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
    if (format.id != ModelFormat::STEP) {
        if (std::string pmi = PmiLoss(impl, format); !pmi.empty()) {
            warnings.push_back(std::move(pmi));
        }
    }
    // glTF keeps them as application data on its nodes and meshes.
    if (format.id != ModelFormat::STEP && format.id != ModelFormat::GLTF &&
        format.id != ModelFormat::GLB) {
        if (std::string facts = FactsLoss(impl, format); !facts.empty()) {
            warnings.push_back(std::move(facts));
        }
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

// What CafMeshWrite, which the shape writers use too, is told of a kernel document: lengths in
// millimetres, written in `unit`, meshed as the options say.
CafMeshWrite::Options MeshWriteOptions(const std::string& unit, const XdeWriteOptions& options)
{
    CafMeshWrite::Options mesh;
    mesh.fileUnit = unit;
    mesh.deflection = options.deflection;
    mesh.angle = options.angle;
    mesh.maxFaceTriangles = options.maxFaceTriangles;
    return mesh;
}

// Makes the document ready for the format: moved as asked, and for STEP the fixes, validation
// properties and dimensions its writer wants. What the file will not keep goes to `warnings`.
void PrepareForFormat(XdeDocumentImpl& impl, const ModelFormat& format,
                      const XdeWriteOptions& options, std::vector<std::string>& warnings)
{
    XdeModelEdit::TransformRoots(impl, options.transform);
    if (format.id == ModelFormat::STEP) {
        for (std::string& warning : StepWriteFixes::PrepareDocument(impl)) {
            warnings.push_back(std::move(warning));
        }
        XdeValidationProps::StoreForParts(impl);
        for (std::string& warning : StepTessellationWrite::Losses(impl)) {
            warnings.push_back(std::move(warning));
        }
        if (const int dropped = DropUnwritableDimensions(impl); dropped > 0) {
            warnings.push_back(fmt::format(kUnlinkedDimensions, dropped));
        }
    }
    AddLossWarnings(impl, format, warnings);
}

// The write itself; the reason for a failure, empty when the file was written.
std::string Write(const std::string& path, const ModelFormat& format, XdeDocumentImpl& impl,
                  const XdeWriteOptions& options, std::vector<std::string>& warnings)
{
    InstallOcctServices();
    if (!format.writable) {
        return fmt::format(kNotWritable, format.name);
    }
    const std::string unit = options.unit.empty() ? std::string("mm") : options.unit;
    const char* translatorUnit = LengthUnit::GetTranslatorName(unit);
    if (translatorUnit == nullptr) {
        return LengthUnit::UnknownText(unit);
    }
    if (impl.shapeTool.IsNull() || impl.freeShapes.IsEmpty()) {
        return kNoShapes;
    }
    // STEP holds parts made of triangles as tessellated geometry, but no part that mixes
    // them with exact faces; IGES holds no triangles at all.
    if (format.id == ModelFormat::STEP) {
        if (const std::vector<std::string> mixed = StepTessellationWrite::MixedParts(impl);
            !mixed.empty()) {
            return fmt::format(kMixedFaces, ListNames(mixed));
        }
    } else if (!format.IsMesh() && HasMeshOnlyFaces(impl)) {
        return fmt::format(kMeshOnly, format.name);
    }
    PrepareForFormat(impl, format, options, warnings);
    const CafMeshWrite::Options meshOptions = MeshWriteOptions(unit, options);
    if (format.IsMesh()) {
        if (std::string reason = CafMeshWrite::Mesh(impl.document, format, meshOptions, warnings);
            !reason.empty()) {
            return reason;
        }
    }
    return ReplaceFile(path, format.name, [&](const std::string& file, std::string& reason) {
        switch (format.id) {
        case ModelFormat::STEP:
            return XdeDocumentSTEP::Write(file, impl, translatorUnit);
        case ModelFormat::IGES:
            return XdeDocumentIGES::Write(file, impl, translatorUnit);
        default:
            return CafMeshWrite::Write(file, format, impl.document, meshOptions, reason);
        }
    });
}

} // namespace

XdeWriteResult XdeModelWriter::Save(const std::string& path, XdeDocumentImpl& impl,
                                    const XdeWriteOptions& options)
{
    const ModelFormat* format = ModelFormat::ForPath(path);
    if (format == nullptr || !format->writable) {
        return {fmt::format(kUnknownFormat, PathUtil::Extension(path)), {}};
    }
    return Save(path, *format, impl, options);
}

XdeWriteResult XdeModelWriter::Save(const std::string& path, const ModelFormat& format,
                                    XdeDocumentImpl& impl, const XdeWriteOptions& options)
{
    XdeWriteResult result;
    result.failure = Write(path, format, impl, options, result.warnings);
    if (!result) {
        result.warnings.clear();
    }
    return result;
}

} // namespace orvkit
