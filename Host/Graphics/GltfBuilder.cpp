#include "GltfBuilder.h"

#include "Annotation/AnnotationElement.h"
#include "Annotation/PmiElement.h"
#include "Data/Kernel/CompositeElement.h"
#include "Data/Kernel/ReferenceShape.h"
#include "Geometry/IO/LabelName.h"
#include "Geometry/IO/LabelProperties.h"
#include "Geometry/Kernel/BoxDiagonal.h"
#include "Geometry/Kernel/TopoShape.h"
#include "Graphics/BrepSceneNode.h"
#include "Graphics/FaceTriangles.h"
#include "Graphics/GroupSceneNode.h"
#include "Graphics/MaterialInstance.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepBndLib.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GCPnts_TangentialDeflection.hxx>
#include <Poly_Polygon3D.hxx>
#include <Poly_PolygonOnTriangulation.hxx>
#include <Poly_Triangulation.hxx>
#include <TDF_ChildIterator.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDF_Tool.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <XCAFDoc_VisMaterial.hxx>
#include <gp.hxx>
#include <gp_Quaternion.hxx>

#include <algorithm>
#include <cmath>

namespace orvkit {

namespace {

const glm::vec3 kUncoloured{SceneGltf::Uncoloured[0], SceneGltf::Uncoloured[1],
                            SceneGltf::Uncoloured[2]};
// Edges: nearly black, as CAD viewers draw them (linear RGB).
constexpr std::array<float, 3> kEdgeColour{0.02f, 0.02f, 0.025f};

// Placements to six significant digits (a micrometre in a metre): what a view needs, and
// short in the page, where every instance has one.
double Short(double value)
{
    if (value == 0.0 || !std::isfinite(value)) {
        return 0.0;
    }
    const double scale =
        std::pow(10.0, 5 - static_cast<int>(std::floor(std::log10(std::abs(value)))));
    return std::round(value * scale) / scale;
}

// The edge lines of a shape: polylines as segments between shared points.
struct Lines {
    std::vector<float> positions;
    std::vector<uint32_t> indices;

    void Add(const std::vector<gp_Pnt>& polyline, const gp_Trsf& frame)
    {
        const uint32_t first = static_cast<uint32_t>(positions.size() / 3);
        for (size_t i = 0; i < polyline.size(); ++i) {
            const gp_Pnt point = polyline[i].Transformed(frame);
            positions.insert(positions.end(),
                             {float(point.X()), float(point.Y()), float(point.Z())});
            if (i > 0) {
                indices.insert(indices.end(), {first + uint32_t(i) - 1, first + uint32_t(i)});
            }
        }
    }
};

// The points of an edge's curve, within `deflection` and `angle`.
std::vector<gp_Pnt> CurvePoints(const TopoDS_Edge& edge, double deflection,
                                double angle = ExportMeshing::AngularDeflection)
{
    const BRepAdaptor_Curve curve(edge);
    const GCPnts_TangentialDeflection sampled(curve, angle, deflection);
    std::vector<gp_Pnt> points;
    for (int i = 1; i <= sampled.NbPoints(); ++i) {
        points.push_back(sampled.Value(i));
    }
    return points;
}

// The points of an edge as the faces' triangulation has them, so that the line runs exactly
// along the triangles' borders; from the curve, within `deflection`, for an edge no meshed
// face holds.
std::vector<gp_Pnt> EdgePolyline(const TopoDS_Edge& edge, const TopTools_ListOfShape& faces,
                                 double deflection)
{
    std::vector<gp_Pnt> points;
    for (const TopoDS_Shape& face : faces) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation) triangulation =
            BRep_Tool::Triangulation(TopoDS::Face(face), location);
        if (triangulation.IsNull()) {
            continue;
        }
        const Handle(Poly_PolygonOnTriangulation) polygon =
            BRep_Tool::PolygonOnTriangulation(edge, triangulation, location);
        if (polygon.IsNull()) {
            continue;
        }
        const gp_Trsf& placement = location.Transformation();
        for (int i = 1; i <= polygon->NbNodes(); ++i) {
            points.push_back(triangulation->Node(polygon->Node(i)).Transformed(placement));
        }
        return points;
    }
    if (BRep_Tool::IsGeometric(edge)) {
        return CurvePoints(edge, deflection);
    }
    // An edge of points alone (read from tessellated STEP) is its polygon.
    TopLoc_Location location;
    if (const Handle(Poly_Polygon3D) polygon = BRep_Tool::Polygon3D(edge, location)) {
        for (int i = 1; i <= polygon->NbNodes(); ++i) {
            points.push_back(polygon->Nodes().Value(i).Transformed(location.Transformation()));
        }
    }
    return points;
}

} // namespace

// A shape's faces gathered into one primitive per colour.
struct GltfBuilder::ColoredFaces {
    // The triangles of one colour within the shape.
    struct Primitive {
        std::vector<float> positions;
        std::vector<float> normals;
        std::vector<uint32_t> indices;
    };
    // Where one of the listed faces went: its primitive's colour, first index, index count.
    struct FaceRange {
        int face;
        Color color;
        size_t first, count;
    };
    std::map<Color, Primitive> byColor;
    // The colours in the order they first appear.
    std::vector<Color> order;
    std::vector<FaceRange> ranges;

    // Appends every face of `shape` to the primitive of its colour: its own in `faceColors`,
    // else `base`. The faces in `listed` keep their ranges.
    void Gather(const TopoDS_Shape& shape, const gp_Trsf& frame, const glm::vec3& base,
                const FaceColorTable* faceColors, const std::set<int>* listed)
    {
        TopTools_IndexedMapOfShape faces;
        TopExp::MapShapes(shape, TopAbs_FACE, faces);
        for (int i = 1; i <= faces.Extent(); ++i) {
            glm::vec3 color = base;
            if (faceColors != nullptr) {
                const auto found = faceColors->find(static_cast<unsigned int>(i - 1));
                if (found != faceColors->end()) {
                    color = found->second;
                }
            }
            const Color colorKey{color.r, color.g, color.b};
            if (byColor.count(colorKey) == 0) {
                order.push_back(colorKey);
            }
            Primitive& primitive = byColor[colorKey];
            const size_t first = primitive.indices.size();
            AppendFaceTriangles(TopoDS::Face(faces.FindKey(i)), frame, primitive.positions,
                                primitive.normals, primitive.indices);
            if (listed != nullptr && listed->count(i - 1) != 0) {
                ranges.push_back({i - 1, colorKey, first, primitive.indices.size() - first});
            }
        }
    }
};

std::string GltfBuilder::Build(const Document& document, std::string& binary)
{
    myDocument = &document;
    myEdgeLines = true;
    CollectMeasured(document);
    nlohmann::json sceneNodes = nlohmann::json::array();
    for (const Element* element : document.GetElements()) {
        const auto* entity = dynamic_cast<const EntityElement*>(element);
        if (!element->GetParentId().IsValid() && (entity == nullptr || !entity->IsManaged())) {
            const int node = MakeNode(*element);
            if (node >= 0) {
                sceneNodes.push_back(node);
            }
        }
    }
    return Finish(sceneNodes, binary);
}

std::string GltfBuilder::Build(const SceneNode& root, std::string& binary)
{
    int next = 0;
    const int node = MakeSceneNode(root, next);
    return Finish(node >= 0 ? nlohmann::json::array({node}) : nlohmann::json::array(), binary);
}

std::string GltfBuilder::Build(const Handle(TDocStd_Document)& document,
                               const SceneGltf::Options& options, std::string& binary)
{
    myDeflection = options.deflection;
    // A file for other programs is meshed as the shape writers mesh: finer than the page,
    // since the triangles are all they get.
    myRelativeDeflection = ExportMeshing::RelativeDeflection;
    myAngle = options.angle;
    myFaceTriangles = options.maxFaceTriangles;
    const TDF_Label main = document->Main();
    myColors = XCAFDoc_DocumentTool::ColorTool(main);
    myMaterialTool = XCAFDoc_DocumentTool::VisMaterialTool(main);
    TDF_LabelSequence roots;
    XCAFDoc_DocumentTool::ShapeTool(main)->GetFreeShapes(roots);
    // The document's units and Z up into glTF's metres and Y up, (x, y, z) -> (x, z, -y),
    // in every vertex and placement, as glTF readers (OpenCASCADE's among them) convert
    // each node back: a root node that turned the model would come back as a placement of
    // its own.
    myFrame.SetRotation(gp::OX(), -M_PI / 2.0);
    myUnitScale = options.metresPerUnit;
    myVertexFrame = myFrame;
    myVertexFrame.SetScaleFactor(options.metresPerUnit);
    myShortPlacements = false;
    nlohmann::json nodes = nlohmann::json::array();
    for (const TDF_Label& root : roots) {
        const int node = MakeXdeNode(root, Style());
        if (node >= 0) {
            nodes.push_back(node);
        }
    }
    return Finish(nodes, binary);
}

// The faces and edges dimensions measure and other PMI controls: the page highlights them, so
// where they are is kept with the mesh.
void GltfBuilder::CollectMeasured(const Document& document)
{
    for (const Element* element : document.GetElements()) {
        std::vector<ObjectId> targets;
        if (const auto* annotation = dynamic_cast<const AnnotationElement*>(element)) {
            targets = {annotation->GetTarget1(), annotation->GetTarget2()};
        } else if (const auto* pmi = dynamic_cast<const PmiElement*>(element)) {
            targets = pmi->GetContent().targets;
        }
        for (const ObjectId target : targets) {
            const auto* reference = document.FindElementAs<ReferenceShape>(target);
            if (reference == nullptr) {
                continue;
            }
            const PickedId& picked = reference->GetPickedId();
            Measured& measured = myMeasured[picked.GetElementId().GetValue()];
            if (picked.GetShapeType() == TopoShapeFace) {
                measured.faces.insert(picked.GetTopoShapeId());
            } else if (picked.GetShapeType() == TopoShapeEdge) {
                measured.edges.insert(picked.GetTopoShapeId());
            }
        }
    }
}

// The node of `element` and what it draws; -1 when it draws nothing.
int GltfBuilder::MakeNode(const Element& element)
{
    nlohmann::json node{{"name", std::to_string(element.GetId().GetValue())}};
    nlohmann::json children = nlohmann::json::array();
    if (const auto* drawable = dynamic_cast<const DrawableElement*>(&element)) {
        AddPlacement(drawable->GetTransform(), node);
        if (drawable->GetPrototypeId().IsValid()) {
            AddPrototype(*drawable, node, children);
        } else if (const auto* shape = dynamic_cast<const ShapeElement*>(&element)) {
            const int mesh = MeshOf(*shape);
            if (mesh >= 0) {
                node["mesh"] = mesh;
            }
        }
    }
    if (const auto* composite = dynamic_cast<const CompositeElement*>(&element)) {
        for (const ObjectId id : composite->GetChildren()) {
            if (const Element* child = myDocument->FindElement(id)) {
                const int index = MakeNode(*child);
                if (index >= 0) {
                    children.push_back(index);
                }
            }
        }
    }
    return AddNode(std::move(node), std::move(children));
}

// What an instance draws: its prototype's mesh when the prototype is a shape in place, else
// the prototype's own node as its child.
void GltfBuilder::AddPrototype(const DrawableElement& drawable, nlohmann::json& node,
                               nlohmann::json& children)
{
    const Element* prototype = myDocument->FindElement(drawable.GetPrototypeId());
    const auto* prototypeShape = dynamic_cast<const ShapeElement*>(prototype);
    if (prototypeShape != nullptr && prototypeShape->GetTransform().Form() == gp_Identity) {
        const int mesh = MeshOf(*prototypeShape);
        if (mesh >= 0) {
            node["mesh"] = mesh;
        }
    } else if (prototype != nullptr) {
        const int child = MakeNode(*prototype);
        if (child >= 0) {
            children.push_back(child);
        }
    }
}

// The mesh of a shape element, made on first use; -1 when it has no faces.
int GltfBuilder::MeshOf(const ShapeElement& element)
{
    if (!element.GetShape() || element.GetShape()->IsNull()) {
        return -1;
    }
    const auto measured = myMeasured.find(element.GetId().GetValue());
    const TopoDS_Shape& shape = element.GetShape()->GetImpl();
    const int mesh = MeshOf(&element, element.GetName(), shape,
                            element.HasColor() ? element.GetColor() : kUncoloured,
                            element.GetFaceColors() ? &*element.GetFaceColors() : nullptr,
                            measured != myMeasured.end() ? &measured->second.faces : nullptr);
    if (mesh >= 0) {
        nlohmann::json& extras = myMeshes[static_cast<size_t>(mesh)]["extras"];
        extras["element"] = element.GetId().GetValue();
        if (measured != myMeasured.end() && !measured->second.edges.empty()) {
            AddEdges(shape, measured->second.edges, extras);
        }
    }
    return mesh;
}

// The measured edges as polylines ("edges": index to x, y, z, x, y, z, ...), as finely as the
// page meshes faces.
void GltfBuilder::AddEdges(const TopoDS_Shape& shape, const std::set<int>& listed,
                           nlohmann::json& extras)
{
    TopTools_IndexedMapOfShape edges;
    TopExp::MapShapes(shape, TopAbs_EDGE, edges);
    Bnd_Box box;
    BRepBndLib::Add(shape, box);
    const double deflection =
        ExportMeshing::GetLinearDeflection(BoxDiagonal(box), ExportMeshing::PageRelativeDeflection);
    for (const int index : listed) {
        if (index < 0 || index >= edges.Extent() ||
            BRep_Tool::Degenerated(TopoDS::Edge(edges.FindKey(index + 1)))) {
            continue;
        }
        nlohmann::json line = nlohmann::json::array();
        for (const gp_Pnt& point : EdgePolyline(TopoDS::Edge(edges.FindKey(index + 1)),
                                                TopTools_ListOfShape(), deflection)) {
            line.insert(line.end(), {Short(point.X()), Short(point.Y()), Short(point.Z())});
        }
        extras["edges"][std::to_string(index)] = std::move(line);
    }
}

int GltfBuilder::MakeSceneNode(const SceneNode& scene, int& next)
{
    nlohmann::json node{{"name", std::to_string(++next)}};
    const glm::dmat4& transform = scene.GetTransform();
    if (transform != glm::dmat4(1.0)) {
        nlohmann::json matrix = nlohmann::json::array();
        for (int column = 0; column < 4; ++column) {
            for (int row = 0; row < 4; ++row) {
                matrix.push_back(Short(transform[column][row]));
            }
        }
        node["matrix"] = std::move(matrix);
    }
    nlohmann::json children = nlohmann::json::array();
    if (const auto* group = dynamic_cast<const GroupSceneNode*>(&scene)) {
        for (const auto& child : group->GetChildren()) {
            const int index = MakeSceneNode(*child, next);
            if (index >= 0) {
                children.push_back(index);
            }
        }
    } else if (const auto* brep = dynamic_cast<const BrepSceneNode*>(&scene)) {
        const MaterialInstance* material = brep->GetFaceMaterial();
        if (brep->GetTopoShape() && !brep->GetTopoShape()->IsNull()) {
            const int mesh =
                MeshOf(brep, material != nullptr ? material->GetName() : std::string(),
                       brep->GetTopoShape()->GetImpl(),
                       material != nullptr ? material->GetColor() : kUncoloured, nullptr);
            if (mesh >= 0) {
                node["mesh"] = mesh;
            }
        }
    }
    return AddNode(std::move(node), std::move(children));
}

// A label's own colour for its lines: its curve colour, else the one its faces have.
GltfBuilder::OptionalColor GltfBuilder::LineColorOf(const TDF_Label& label) const
{
    Quantity_Color color;
    if (myColors->GetColor(label, XCAFDoc_ColorCurv, color)) {
        return Color{static_cast<float>(color.Red()), static_cast<float>(color.Green()),
                     static_cast<float>(color.Blue())};
    }
    return ColorOf(label);
}

// A label's own colour: surface, then generic, then its visual material's base colour.
GltfBuilder::OptionalColor GltfBuilder::ColorOf(const TDF_Label& label) const
{
    Quantity_Color color;
    if (myColors->GetColor(label, XCAFDoc_ColorSurf, color) ||
        myColors->GetColor(label, XCAFDoc_ColorGen, color)) {
        return Color{static_cast<float>(color.Red()), static_cast<float>(color.Green()),
                     static_cast<float>(color.Blue())};
    }
    if (!myMaterialTool.IsNull()) {
        const Handle(XCAFDoc_VisMaterial) material = myMaterialTool->GetShapeMaterial(label);
        if (!material.IsNull()) {
            // BaseColor() gives a temporary: keep a copy.
            const Quantity_Color base = material->BaseColor().GetRGB();
            return Color{static_cast<float>(base.Red()), static_cast<float>(base.Green()),
                         static_cast<float>(base.Blue())};
        }
    }
    return std::nullopt;
}

// The faces of a part that its sub-shape labels colour, by index in its face map.
FaceColorTable GltfBuilder::FaceColorsOf(const TDF_Label& part, const TopoDS_Shape& shape) const
{
    FaceColorTable table;
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(shape, TopAbs_FACE, faces);
    for (TDF_ChildIterator it(part); it.More(); it.Next()) {
        const OptionalColor color = ColorOf(it.Value());
        TopoDS_Shape sub;
        if (!color || !XCAFDoc_ShapeTool::IsSubShape(it.Value()) ||
            !XCAFDoc_ShapeTool::GetShape(it.Value(), sub)) {
            continue;
        }
        for (TopExp_Explorer face(sub, TopAbs_FACE); face.More(); face.Next()) {
            const int index = faces.FindIndex(face.Current());
            if (index > 0) {
                table[static_cast<unsigned int>(index - 1)] =
                    glm::vec3((*color)[0], (*color)[1], (*color)[2]);
            }
        }
    }
    return table;
}

// The edges of a part that its sub-shape labels colour, by index in its edge map. A label on an
// edge wins over one on a wire or compound that holds the edge.
std::map<int, GltfBuilder::Color> GltfBuilder::EdgeColorsOf(const TDF_Label& part,
                                                            const TopoDS_Shape& shape) const
{
    std::vector<std::pair<TopoDS_Shape, Color>> colored;
    for (TDF_ChildIterator it(part); it.More(); it.Next()) {
        const OptionalColor color = LineColorOf(it.Value());
        TopoDS_Shape sub;
        if (color && XCAFDoc_ShapeTool::IsSubShape(it.Value()) &&
            XCAFDoc_ShapeTool::GetShape(it.Value(), sub)) {
            colored.emplace_back(sub, *color);
        }
    }
    std::stable_sort(colored.begin(), colored.end(), [](const auto& a, const auto& b) {
        return a.first.ShapeType() < b.first.ShapeType();
    });
    TopTools_IndexedMapOfShape edges;
    TopExp::MapShapes(shape, TopAbs_EDGE, edges);
    std::map<int, Color> table;
    for (const auto& [sub, color] : colored) {
        for (TopExp_Explorer edge(sub, TopAbs_EDGE); edge.More(); edge.Next()) {
            const int index = edges.FindIndex(edge.Current());
            if (index > 0) {
                table[index - 1] = color;
            }
        }
    }
    return table;
}

// The node of an XDE label (an instance, an assembly or a part) drawn in `inherited` unless it
// has colours of its own; -1 when it draws nothing.
int GltfBuilder::MakeXdeNode(const TDF_Label& label, const Style& inherited)
{
    TDF_Label referred = label;
    const bool instance = XCAFDoc_ShapeTool::GetReferredShape(label, referred);
    std::string name = LabelName(label);
    nlohmann::json node{{"name", name.empty() ? LabelName(referred) : name}};
    if (instance) {
        AddPlacement(XCAFDoc_ShapeTool::GetLocation(label).Transformation(), node);
    }
    // The nearest colour wins: the instance's, then its part's or assembly's, then the one above.
    const auto nearest = [&](OptionalColor (GltfBuilder::*of)(const TDF_Label&) const,
                             const OptionalColor& above) {
        OptionalColor color = instance ? (this->*of)(label) : std::nullopt;
        if (!color) {
            color = (this->*of)(referred);
        }
        return color ? color : above;
    };
    const Style color{nearest(&GltfBuilder::ColorOf, inherited.faces),
                      nearest(&GltfBuilder::LineColorOf, inherited.lines)};
    nlohmann::json children = nlohmann::json::array();
    if (XCAFDoc_ShapeTool::IsAssembly(referred)) {
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(referred, components);
        for (const TDF_Label& component : components) {
            const int child = MakeXdeNode(component, color);
            if (child >= 0) {
                children.push_back(child);
            }
        }
    } else {
        const int mesh = MeshOfPart(referred, color);
        if (mesh >= 0) {
            node["mesh"] = mesh;
        }
    }
    AddFacts(label, referred, instance, node);
    return AddNode(std::move(node), std::move(children));
}

// What the file says about the product a node places, and about this placement of it, as
// application data in the node's extras (the glTF way): a placement's own properties under
// "instance". A part's go onto its mesh too, which its other placements share.
void GltfBuilder::AddFacts(const TDF_Label& label, const TDF_Label& referred, bool instance,
                           nlohmann::json& node)
{
    nlohmann::json product = LabelFactsJson(referred);
    if (!product.is_null()) {
        node["extras"] = product;
        if (node.contains("mesh")) {
            myMeshes[node["mesh"].get<size_t>()]["extras"].update(product);
        }
    }
    if (instance) {
        if (nlohmann::json own = LabelFactsJson(label); !own.is_null()) {
            node["extras"]["instance"] = std::move(own);
        }
    }
}

int GltfBuilder::MeshOfPart(const TDF_Label& part, const Style& style)
{
    const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(part);
    if (shape.IsNull()) {
        return -1;
    }
    TCollection_AsciiString entry;
    TDF_Tool::Entry(part, entry);
    const Color uncoloured{kUncoloured.r, kUncoloured.g, kUncoloured.b};
    const Color base = style.faces ? *style.faces : uncoloured;
    EdgeColors edgeColors{style.lines ? *style.lines : uncoloured, {}};
    const auto key = myPartKeys.emplace(entry.ToCString(), base, edgeColors.base).first;
    // The other instances of a part find its mesh without looking at its faces again.
    if (const auto known = myMeshIndex.find(&*key); known != myMeshIndex.end()) {
        return known->second;
    }
    const FaceColorTable faceColors = FaceColorsOf(part, shape);
    edgeColors.own = EdgeColorsOf(part, shape);
    // The mesh is made in the part's own frame: its instances place it.
    return MeshOf(&*key, LabelName(part), shape.Located(TopLoc_Location()),
                  glm::vec3(base[0], base[1], base[2]), faceColors.empty() ? nullptr : &faceColors,
                  nullptr, &edgeColors);
}

std::string GltfBuilder::Finish(const nlohmann::json& sceneNodes, std::string& binary)
{
    nlohmann::json json{{"asset", {{"version", "2.0"}, {"generator", "orvex-interop"}}},
                        {"scene", 0},
                        {"scenes", {{{"nodes", sceneNodes}}}},
                        {"nodes", myNodes},
                        {"meshes", myMeshes},
                        {"materials", myMaterials},
                        {"accessors", myAccessors},
                        {"bufferViews", myViews},
                        {"buffers", {{{"byteLength", myBinary.size()}}}}};
    if (myNodes.empty()) {
        // glTF wants no empty arrays.
        for (const char* key : {"nodes", "meshes", "materials", "accessors", "bufferViews"}) {
            json.erase(key);
        }
        json.erase("buffers");
        json["scenes"] = {nlohmann::json::object()};
    }
    binary = myBinary;
    return json.dump();
}

// Keeps the node, with its children, unless it draws nothing (-1).
int GltfBuilder::AddNode(nlohmann::json node, nlohmann::json children)
{
    if (!node.contains("mesh") && children.empty()) {
        return -1;
    }
    if (!children.empty()) {
        node["children"] = std::move(children);
    }
    myNodes.push_back(std::move(node));
    return static_cast<int>(myNodes.size()) - 1;
}

// A placement in the file's frame: turned into its axes (the frame's rotation on both sides,
// as glTF readers undo it on every node) and its translation into its unit.
void GltfBuilder::AddPlacement(const gp_Trsf& own, nlohmann::json& node) const
{
    gp_Trsf transform = myFrame;
    transform.Multiply(own);
    transform.Multiply(myFrame.Inverted());
    transform.SetTranslationPart(transform.TranslationPart() * myUnitScale);
    if (transform.Form() == gp_Identity) {
        return;
    }
    const auto Round = [this](double value) { return myShortPlacements ? Short(value) : value; };
    const gp_XYZ& translation = transform.TranslationPart();
    const double scale = transform.ScaleFactor();
    if (scale <= 0.0 || transform.IsNegative()) {
        // Mirrors: glTF takes them only as a matrix (column-major).
        nlohmann::json matrix = nlohmann::json::array();
        for (int column = 1; column <= 4; ++column) {
            for (int row = 1; row <= 4; ++row) {
                const double value =
                    row == 4 ? (column == 4 ? 1.0 : 0.0) : transform.Value(row, column);
                matrix.push_back(Round(value));
            }
        }
        node["matrix"] = std::move(matrix);
        return;
    }
    if (translation.SquareModulus() > 0) {
        node["translation"] = {Round(translation.X()), Round(translation.Y()),
                               Round(translation.Z())};
    }
    const gp_Quaternion rotation = transform.GetRotation();
    if (std::abs(rotation.W()) < 1.0) {
        node["rotation"] = {Round(rotation.X()), Round(rotation.Y()), Round(rotation.Z()),
                            Round(rotation.W())};
    }
    if (scale != 1.0) {
        node["scale"] = {Round(scale), Round(scale), Round(scale)};
    }
}

// The mesh of `shape` under `key`, made on first use with a primitive per colour: `base`, and
// the colours `faceColors` gives faces by index; -1 when it has nothing to draw. Where the faces
// in `listed` went (primitive, first index, index count) is kept in the mesh's extras as
// "faces". With `freeEdges`, the edges that bound no face follow as line primitives.
int GltfBuilder::MeshOf(const void* key, const std::string& name, const TopoDS_Shape& shape,
                        const glm::vec3& base, const FaceColorTable* faceColors,
                        const std::set<int>* listed, const EdgeColors* freeEdges)
{
    const auto known = myMeshIndex.find(key);
    if (known != myMeshIndex.end()) {
        return known->second;
    }
    int& index = myMeshIndex[key];
    index = -1;
    Bnd_Box box;
    BRepBndLib::Add(shape, box);
    if (box.IsVoid()) {
        return index;
    }
    // The box keeps its tolerance gap here: these meshes have always been measured so.
    const double deflection =
        ExportMeshing::GetLinearDeflection(BoxDiagonal(box), myRelativeDeflection, myDeflection);
    ShapeMesher::Mesh(shape, deflection, myAngle, myFaceTriangles);
    ColoredFaces colored;
    colored.Gather(shape, myVertexFrame, base, faceColors, listed);
    nlohmann::json mesh = MakeMesh(name, colored);
    if (myEdgeLines) {
        // A shape of wires alone is drawn as its lines, in its own colour.
        const bool wires = mesh.is_null();
        if (wires) {
            mesh = {{"name", name}, {"primitives", nlohmann::json::array()}};
        }
        AddEdgeLines(shape, deflection, wires ? Color{base.r, base.g, base.b} : kEdgeColour, mesh);
    } else if (freeEdges != nullptr) {
        if (mesh.is_null()) {
            mesh = {{"name", name}, {"primitives", nlohmann::json::array()}};
        }
        AddFreeEdgeLines(shape, deflection, *freeEdges, mesh);
    }
    if (mesh.is_null() || mesh["primitives"].empty()) {
        return index;
    }
    myMeshes.push_back(std::move(mesh));
    index = static_cast<int>(myMeshes.size()) - 1;
    return index;
}

// The mesh of the gathered faces, its primitives' data added to the buffer; null when no
// colour has a triangle.
nlohmann::json GltfBuilder::MakeMesh(const std::string& name, const ColoredFaces& colored)
{
    nlohmann::json primitives = nlohmann::json::array();
    std::map<Color, size_t> primitiveOf;
    for (const Color& colorKey : colored.order) {
        const ColoredFaces::Primitive& primitive = colored.byColor.at(colorKey);
        if (primitive.indices.empty()) {
            continue;
        }
        primitiveOf[colorKey] = primitives.size();
        nlohmann::json attributes{
            {"POSITION", AddAccessor(primitive.positions, "VEC3", 34962, true)},
            {"NORMAL", AddAccessor(primitive.normals, "VEC3", 34962, false)}};
        primitives.push_back({{"attributes", attributes},
                              {"indices", AddIndices(primitive.indices)},
                              {"material", MaterialOf(colorKey)}});
    }
    if (primitives.empty()) {
        return nullptr;
    }
    nlohmann::json mesh{{"name", name}, {"primitives", primitives}};
    for (const ColoredFaces::FaceRange& range : colored.ranges) {
        if (range.count > 0) {
            mesh["extras"]["faces"][std::to_string(range.face)] = {primitiveOf[range.color],
                                                                   range.first, range.count};
        }
    }
    return mesh;
}

// The shape's edges, each once, as one line primitive in `color`, after the faces' primitives
// so that their indices stay as the extras give them.
void GltfBuilder::AddEdgeLines(const TopoDS_Shape& shape, double deflection, const Color& color,
                               nlohmann::json& mesh)
{
    TopTools_IndexedDataMapOfShapeListOfShape edgeFaces;
    TopExp::MapShapesAndAncestors(shape, TopAbs_EDGE, TopAbs_FACE, edgeFaces);
    Lines lines;
    for (int i = 1; i <= edgeFaces.Extent(); ++i) {
        const TopoDS_Edge& edge = TopoDS::Edge(edgeFaces.FindKey(i));
        if (!BRep_Tool::Degenerated(edge)) {
            lines.Add(EdgePolyline(edge, edgeFaces(i), deflection), myVertexFrame);
        }
    }
    AddLinePrimitive(lines.positions, lines.indices, color, mesh);
}

// The edges of `shape` that bound no face (a wire model's, a sketch's), each once, as one line
// primitive per colour in the order the colours first appear. A file has no other way to hold
// them; edges of faces are already there as the triangles' borders.
void GltfBuilder::AddFreeEdgeLines(const TopoDS_Shape& shape, double deflection,
                                   const EdgeColors& colors, nlohmann::json& mesh)
{
    TopTools_IndexedDataMapOfShapeListOfShape edgeFaces;
    TopExp::MapShapesAndAncestors(shape, TopAbs_EDGE, TopAbs_FACE, edgeFaces);
    TopTools_IndexedMapOfShape edges;
    TopExp::MapShapes(shape, TopAbs_EDGE, edges);
    std::map<Color, Lines> byColor;
    std::vector<Color> order;
    for (int i = 1; i <= edges.Extent(); ++i) {
        const TopoDS_Edge& edge = TopoDS::Edge(edges.FindKey(i));
        if (!edgeFaces.FindFromKey(edge).IsEmpty() || BRep_Tool::Degenerated(edge) ||
            !BRep_Tool::IsGeometric(edge)) {
            continue;
        }
        const auto own = colors.own.find(i - 1);
        const Color& color = own != colors.own.end() ? own->second : colors.base;
        if (byColor.count(color) == 0) {
            order.push_back(color);
        }
        byColor[color].Add(CurvePoints(edge, deflection, myAngle), myVertexFrame);
    }
    for (const Color& color : order) {
        const Lines& lines = byColor.at(color);
        AddLinePrimitive(lines.positions, lines.indices, color, mesh);
    }
}

// A primitive of line segments (glTF's mode 1) between the points `indices` pairs; nothing when
// there is no segment.
void GltfBuilder::AddLinePrimitive(const std::vector<float>& positions,
                                   const std::vector<uint32_t>& indices, const Color& color,
                                   nlohmann::json& mesh)
{
    if (indices.empty()) {
        return;
    }
    mesh["primitives"].push_back(
        {{"attributes", {{"POSITION", AddAccessor(positions, "VEC3", 34962, true)}}},
         {"indices", AddIndices(indices)},
         {"material", MaterialOf(color)},
         {"mode", 1}});
}

int GltfBuilder::MaterialOf(const Color& color)
{
    const auto known = myMaterialIndex.find(color);
    if (known != myMaterialIndex.end()) {
        return known->second;
    }
    myMaterials.push_back({{"pbrMetallicRoughness",
                            {{"baseColorFactor", {color[0], color[1], color[2], 1.0f}},
                             {"metallicFactor", 0.1f},
                             {"roughnessFactor", 0.6f}}},
                           {"doubleSided", true}});
    const int index = static_cast<int>(myMaterials.size()) - 1;
    myMaterialIndex.emplace(color, index);
    return index;
}

int GltfBuilder::AddView(const void* data, size_t bytes, int target)
{
    while (myBinary.size() % 4 != 0) {
        myBinary.push_back('\0');
    }
    const size_t offset = myBinary.size();
    myBinary.append(static_cast<const char*>(data), bytes);
    myViews.push_back(
        {{"buffer", 0}, {"byteOffset", offset}, {"byteLength", bytes}, {"target", target}});
    return static_cast<int>(myViews.size()) - 1;
}

int GltfBuilder::AddAccessor(const std::vector<float>& values, const char* type, int target,
                             bool bounds)
{
    nlohmann::json accessor{{"bufferView", AddView(values.data(), values.size() * 4, target)},
                            {"componentType", 5126},
                            {"count", values.size() / 3},
                            {"type", type}};
    if (bounds) {
        std::array<float, 3> low{values[0], values[1], values[2]};
        std::array<float, 3> high = low;
        for (size_t i = 0; i < values.size(); ++i) {
            low[i % 3] = std::min(low[i % 3], values[i]);
            high[i % 3] = std::max(high[i % 3], values[i]);
        }
        accessor["min"] = low;
        accessor["max"] = high;
    }
    myAccessors.push_back(std::move(accessor));
    return static_cast<int>(myAccessors.size()) - 1;
}

int GltfBuilder::AddIndices(const std::vector<uint32_t>& indices)
{
    myAccessors.push_back({{"bufferView", AddView(indices.data(), indices.size() * 4, 34963)},
                           {"componentType", 5125},
                           {"count", indices.size()},
                           {"type", "SCALAR"}});
    return static_cast<int>(myAccessors.size()) - 1;
}

} // namespace orvkit
