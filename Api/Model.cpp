#include "ModelData.h"
#include "PartFacts.h"

#include "Geometry/IO/ExportMeshing.h"
#include "Geometry/IO/LabelName.h"
#include "Geometry/IO/LabelProperties.h"
#include "Geometry/IO/ShapeMesher.h"
#include "Graphics/FaceTriangles.h"

#include <BRepBuilderAPI_Copy.hxx>
#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TDF_Label.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DimTolTool.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <utility>

namespace orvex {

using detail::Colour;
using detail::ColourOf;
using detail::ModelData;
using detail::ModelTree;

namespace detail {

namespace {

std::optional<Color> ColorOf(const Colour& colour)
{
    return colour.has ? std::optional<Color>(colour.Text()) : std::nullopt;
}

// Each face of the part that carries a colour of its own, by its index in the part's face map.
std::map<int, Color> FaceColorsOf(const Handle(XCAFDoc_ColorTool)& tool, const TDF_Label& part,
                                  const TopTools_IndexedMapOfShape& faces)
{
    std::map<int, Color> colors;
    TDF_LabelSequence subShapes;
    XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
    for (const TDF_Label& sub : subShapes) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(sub);
        const int index = shape.ShapeType() == TopAbs_FACE ? faces.FindIndex(shape) : 0;
        const Colour colour = index > 0 ? ColourOf(tool, sub) : Colour();
        if (colour.has) {
            colors[index - 1] = colour.Text();
        }
    }
    return colors;
}

void LayOutParts(ModelData& data)
{
    const ModelTree& tree = data.tree;
    data.partOfProduct.assign(tree.products.size(), -1);
    for (size_t i = 0; i < tree.products.size(); ++i) {
        const detail::Product& product = tree.products[i];
        if (product.assembly) {
            Assembly assembly;
            assembly.name = Segment(product.name);
            assembly.id = orvkit::LabelProductId(product.label);
            assembly.description = orvkit::LabelDescription(product.label);
            assembly.properties = PropertiesOf(product.label);
            TDF_LabelSequence components;
            XCAFDoc_ShapeTool::GetComponents(product.label, components);
            for (const TDF_Label& component : components) {
                TDF_Label referred;
                XCAFDoc_ShapeTool::GetReferredShape(component, referred);
                assembly.components.push_back(Segment(orvkit::LabelName(referred)));
            }
            data.assemblies.push_back(std::move(assembly));
            continue;
        }
        TopTools_IndexedMapOfShape faces;
        TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(product.label), TopAbs_FACE, faces);
        Part part;
        part.index = data.parts.size();
        part.name = Segment(product.name);
        part.color = ColorOf(ColourOf(tree.impl->colorTool, product.label));
        part.faceColors = FaceColorsOf(tree.impl->colorTool, product.label, faces);
        part.faces = static_cast<size_t>(faces.Extent());
        part.id = orvkit::LabelProductId(product.label);
        part.description = orvkit::LabelDescription(product.label);
        part.material = MaterialOf(product.label);
        part.bodies = BodiesOf(product.label, faces);
        part.properties = PropertiesOf(product.label);
        data.partOfProduct[i] = static_cast<int>(part.index);
        data.productOfPart.push_back(i);
        data.parts.push_back(std::move(part));
    }
}

// Every leaf of the expanded tree, depth first, with its path as `compare` words it and the
// colour it is shown in: its own instance colour, else its part's, else the nearest one above.
void LayOutInstances(ModelData& data)
{
    const ModelTree& tree = data.tree;
    struct Pending {
        int node;
        std::string path;
        std::optional<Color> inherited;
    };
    std::vector<Pending> pending;
    const auto push = [&](const std::vector<int>& nodes, const std::string& parent,
                          const std::optional<Color>& inherited) {
        const Siblings siblings = NameSiblings(tree, nodes);
        for (size_t i = nodes.size(); i-- > 0;) {
            pending.push_back(
                {nodes[i],
                 parent.empty() ? siblings.segments[i] : parent + "/" + siblings.segments[i],
                 inherited});
        }
    };
    push(tree.roots, std::string(), std::nullopt);
    while (!pending.empty()) {
        Pending next = std::move(pending.back());
        pending.pop_back();
        const detail::Node& node = tree.nodes[static_cast<size_t>(next.node)];
        const detail::Product& product = tree.products[static_cast<size_t>(node.product)];
        std::optional<Color> own;
        if (!node.instance.IsNull()) {
            own = ColorOf(ColourOf(tree.impl->colorTool, node.instance));
        }
        const std::optional<Color> productColor =
            ColorOf(ColourOf(tree.impl->colorTool, product.label));
        if (product.assembly) {
            push(node.children, next.path,
                 own            ? own
                 : productColor ? productColor
                                : next.inherited);
            continue;
        }
        Instance instance;
        instance.path = std::move(next.path);
        instance.part = static_cast<size_t>(data.partOfProduct[static_cast<size_t>(node.product)]);
        instance.color = own ? own : productColor ? productColor : next.inherited;
        instance.matrix = MatrixOf(node.global);
        instance.properties = PropertiesOf(node.instance);
        data.instances.push_back(std::move(instance));
    }
}

const char* DimensionKind(XCAFDimTolObjects_DimensionType type)
{
    switch (type) {
    case XCAFDimTolObjects_DimensionType_Location_LinearDistance:
    case XCAFDimTolObjects_DimensionType_Size_CurveLength:
        return "linear distance";
    case XCAFDimTolObjects_DimensionType_Location_Angular:
    case XCAFDimTolObjects_DimensionType_Size_Angular:
        return "angle";
    case XCAFDimTolObjects_DimensionType_Size_Diameter:
    case XCAFDimTolObjects_DimensionType_Size_SphericalDiameter:
        return "diameter";
    case XCAFDimTolObjects_DimensionType_Size_Radius:
    case XCAFDimTolObjects_DimensionType_Size_SphericalRadius:
        return "radius";
    case XCAFDimTolObjects_DimensionType_CommonLabel:
    case XCAFDimTolObjects_DimensionType_DimensionPresentation:
        return "label";
    default:
        break;
    }
    return type >= XCAFDimTolObjects_DimensionType_Size_CurveLength ? "size" : "location";
}

// The name of the part whose geometry a dimension names: a face label's part, or the part.
std::string TargetName(const TDF_Label& label)
{
    TDF_Label part = label;
    while (!part.IsNull() && !part.Father().IsNull() && XCAFDoc_ShapeTool::IsSubShape(part)) {
        part = part.Father();
    }
    return Segment(orvkit::LabelName(part));
}

} // namespace

const ModelData& LaidOut(const Model& model)
{
    ModelData& data = ModelAccess::Data(model);
    if (!data.laidOut) {
        data.tree.file = data.source;
        data.tree.format = orvkit::ModelFormat::ForPath(data.source);
        data.tree.impl = data.document.get();
        BuildTree(data.tree);
        LayOutParts(data);
        LayOutInstances(data);
        data.laidOut = true;
    }
    return data;
}

} // namespace detail

Model::Model() : myData(std::make_shared<ModelData>())
{
    myData->document = std::make_unique<orvkit::XdeDocumentImpl>();
    myData->document->CreateNew();
}

Model::~Model() = default;
Model::Model(const Model&) = default;
Model& Model::operator=(const Model&) = default;
Model::Model(Model&&) noexcept = default;
Model& Model::operator=(Model&&) noexcept = default;

Model Model::Adopt(std::unique_ptr<orvkit::XdeDocumentImpl> document, std::string source)
{
    Model model;
    model.myData->warnings = document->readWarnings;
    model.myData->document = std::move(document);
    model.myData->source = std::move(source);
    return model;
}

const std::string& Model::Source() const
{
    return myData->source;
}

const std::vector<std::string>& Model::Warnings() const
{
    return myData->warnings;
}

const orvkit::XdeDocumentImpl& Model::Document() const
{
    return *myData->document;
}

const std::vector<Part>& Model::Parts() const
{
    const std::lock_guard<std::recursive_mutex> lock(myData->lock);
    return detail::LaidOut(*this).parts;
}

const std::vector<Instance>& Model::Instances() const
{
    const std::lock_guard<std::recursive_mutex> lock(myData->lock);
    return detail::LaidOut(*this).instances;
}

const std::vector<Assembly>& Model::Assemblies() const
{
    const std::lock_guard<std::recursive_mutex> lock(myData->lock);
    return detail::LaidOut(*this).assemblies;
}

std::vector<Dimension> Model::Dimensions() const
{
    const std::lock_guard<std::recursive_mutex> lock(myData->lock);
    std::vector<Dimension> dimensions;
    const orvkit::XdeDocumentImpl& impl = *myData->document;
    if (impl.dimTolTool.IsNull()) {
        return dimensions;
    }
    TDF_LabelSequence labels;
    impl.dimTolTool->GetDimensionLabels(labels);
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Dimension) attribute;
        if (!label.FindAttribute(XCAFDoc_Dimension::GetID(), attribute) ||
            attribute->GetObject().IsNull()) {
            continue;
        }
        const Handle(XCAFDimTolObjects_DimensionObject) object = attribute->GetObject();
        Dimension dimension;
        dimension.kind = detail::DimensionKind(object->GetType());
        if (object->GetType() != XCAFDimTolObjects_DimensionType_CommonLabel &&
            object->GetType() != XCAFDimTolObjects_DimensionType_DimensionPresentation) {
            dimension.value = object->GetValue();
        }
        // A range is kept as deviations from the value, as plus/minus tolerances are.
        if (object->IsDimWithRange()) {
            dimension.upper = object->GetUpperBound() - object->GetValue();
            dimension.lower = object->GetLowerBound() - object->GetValue();
        } else if (object->IsDimWithPlusMinusTolerance()) {
            dimension.upper = object->GetUpperTolValue();
            dimension.lower = -object->GetLowerTolValue();
        }
        TDF_LabelSequence first;
        TDF_LabelSequence second;
        impl.dimTolTool->GetRefShapeLabel(label, first, second);
        for (const TDF_LabelSequence* side : {&first, &second}) {
            for (const TDF_Label& target : *side) {
                dimension.targets.push_back(detail::TargetName(target));
            }
        }
        dimensions.push_back(std::move(dimension));
    }
    return dimensions;
}

Mesh Model::MeshOf(size_t part, const MeshOptions& options) const
{
    const std::lock_guard<std::recursive_mutex> lock(myData->lock);
    const ModelData& data = detail::LaidOut(*this);
    Mesh mesh;
    if (part >= data.productOfPart.size()) {
        return mesh;
    }
    const TopoDS_Shape shape =
        XCAFDoc_ShapeTool::GetShape(data.tree.products[data.productOfPart[part]].label);
    // Meshed on a copy of its topology that shares the geometry, so that the model's own faces
    // keep the triangles they had: a later write meshes them as its options say.
    const TopoDS_Shape copy = BRepBuilderAPI_Copy(shape, Standard_False, Standard_True).Shape();
    const double deflection = orvkit::ExportMeshing::GetLinearDeflection(copy, options.deflection);
    orvkit::ShapeMesher::Mesh(copy, deflection, options.angle);
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(copy, TopAbs_FACE, faces);
    for (int i = 1; i <= faces.Extent(); ++i) {
        const size_t triangles = orvkit::AppendFaceTriangles(
            TopoDS::Face(faces(i)), gp_Trsf(), mesh.vertices, mesh.normals, mesh.triangles);
        mesh.faceIds.insert(mesh.faceIds.end(), triangles, static_cast<uint32_t>(i - 1));
    }
    return mesh;
}

} // namespace orvex
