#include "MeshLeaves.h"

#include "MeshTolerance.h"

#include "Geometry/IO/LabelName.h"
#include "Geometry/Kernel/BoxDiagonal.h"
#include "Graphics/SceneGltf.h"

#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <Poly_Triangulation.hxx>
#include <Precision.hxx>
#include <TDF_ChildIterator.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <XCAFDoc_VisMaterial.hxx>
#include <XCAFDoc_VisMaterialTool.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <unordered_map>

namespace orvex::detail {

namespace {

// The segments of siblings named `names`: a name, or "name:2" where several share it, counted
// in their order, as `compare` names siblings everywhere.
std::vector<std::string> NumberedSegments(const std::vector<std::string>& names)
{
    std::unordered_map<std::string, int> total;
    for (const std::string& name : names) {
        ++total[Segment(name)];
    }
    std::unordered_map<std::string, int> seen;
    std::vector<std::string> segments;
    for (const std::string& name : names) {
        const std::string segment = Segment(name);
        segments.push_back(total[segment] > 1 ? segment + ":" + std::to_string(++seen[segment])
                                              : segment);
    }
    return segments;
}

std::string Joined(const std::string& parent, const std::string& segment)
{
    return parent.empty() ? segment : parent + "/" + segment;
}

// The faces of a shape, without the edges and vertices that bound none.
TopoDS_Compound FacesOf(const TopoDS_Shape& shape)
{
    TopoDS_Compound faces;
    BRep_Builder builder;
    builder.MakeCompound(faces);
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        builder.Add(faces, it.Current());
    }
    return faces;
}

void SortDistinct(std::vector<Colour>& colours)
{
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end(),
                              [](const Colour& a, const Colour& b) { return a.bytes == b.bytes; }),
                  colours.end());
}

// The extent of a shape's geometry, whatever triangles it carries (a box taken from them is
// widened by their deflection), and of the triangles of the faces that have nothing else.
Bnd_Box GeometryBox(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::AddOptimal(shape, box, Standard_False, Standard_False);
    // A face on an unbounded surface without borders reaches to OpenCASCADE's infinity: a box
    // without end, which no mesh of it can keep.
    if (!box.IsVoid() && box.SquareExtent() >= ::Precision::Infinite()) {
        box.SetWhole();
        return box;
    }
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face& face = TopoDS::Face(it.Current());
        TopLoc_Location location;
        const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(face, location);
        if (BRep_Tool::IsGeometric(face) || mesh.IsNull()) {
            continue;
        }
        for (int i = 1; i <= mesh->NbNodes(); ++i) {
            box.Add(mesh->Node(i).Transformed(location.Transformation()));
        }
    }
    return box;
}

// What a part gives each of its placements, measured once.
struct PartMeasure {
    double area = 0.0;
    TopoDS_Shape boxed; // what its box is of: all of it, or its faces where lines are left out
    Bnd_Box box;
    double areaBand = 0.0;
    double boxBand = 0.0;
    std::vector<Colour> faceColours; // of the faces with colours of their own
    bool uncolouredFaces = false;    // some face takes the colour of the placement
};

// The tree's placed parts, walked down from its roots with the colour each inherits.
class TreeLeaves {
public:
    TreeLeaves(const ModelTree& tree, const MeshLeaves::Holding& holding)
        : myTree(tree), myNames(holding.names), myDeflection(holding.deflection),
          myFacesOnly(!holding.linesKept), myPlacementsBaked(holding.placementsBaked),
          myColours(tree.impl->colorTool),
          myMaterials(XCAFDoc_DocumentTool::VisMaterialTool(tree.impl->document->Main()))
    {
    }

    std::vector<MeshLeaf> Run()
    {
        MarkDrawn();
        std::vector<Pending> pending;
        PushSiblings(myTree.roots, {}, std::nullopt, pending);
        while (!pending.empty()) {
            const Pending next = pending.back();
            pending.pop_back();
            const Node& node = myTree.nodes[static_cast<size_t>(next.node)];
            const Product& product = myTree.products[static_cast<size_t>(node.product)];
            if (!product.assembly) {
                AddLeaf(node, next);
            }
            PushSiblings(node.children, next.path, next.colour, pending);
        }
        return std::move(myLeaves);
    }

private:
    struct Pending {
        int node;
        std::string path;
        std::optional<Quantity_Color> colour;
    };

    // A node is written when it draws something: a part with extent (with faces, in a file
    // that holds triangles only), or an assembly above one. The tree lists each node before
    // its children.
    void MarkDrawn()
    {
        std::vector<bool> draws(myTree.products.size());
        for (size_t i = 0; i < draws.size(); ++i) {
            const Product& product = myTree.products[i];
            draws[i] =
                !product.assembly && !product.box.IsVoid() &&
                (!myFacesOnly ||
                 TopExp_Explorer(XCAFDoc_ShapeTool::GetShape(product.label), TopAbs_FACE).More());
        }
        myDrawn.assign(myTree.nodes.size(), false);
        for (size_t i = myTree.nodes.size(); i-- > 0;) {
            const Node& node = myTree.nodes[i];
            myDrawn[i] = draws[static_cast<size_t>(node.product)];
            for (int child : node.children) {
                myDrawn[i] = myDrawn[i] || myDrawn[static_cast<size_t>(child)];
            }
        }
    }

    void PushSiblings(const std::vector<int>& nodes, const std::string& parent,
                      const std::optional<Quantity_Color>& inherited, std::vector<Pending>& pending)
    {
        std::vector<int> drawn;
        std::vector<std::string> names;
        for (int node : nodes) {
            if (myDrawn[static_cast<size_t>(node)]) {
                drawn.push_back(node);
                names.push_back(NodeName(myTree.nodes[static_cast<size_t>(node)]));
            }
        }
        const std::vector<std::string> segments =
            myNames == MeshLeaves::Names::Instances ? NumberedSegments(names) : names;
        for (size_t i = drawn.size(); i-- > 0;) {
            const Node& node = myTree.nodes[static_cast<size_t>(drawn[i])];
            std::optional<Quantity_Color> colour =
                node.instance.IsNull() ? std::nullopt : OwnColour(node.instance);
            if (!colour) {
                colour = OwnColour(myTree.products[static_cast<size_t>(node.product)].label);
            }
            pending.push_back({drawn[i], Joined(parent, segments[i]), colour ? colour : inherited});
        }
    }

    // The instance's name, else its product's; its product's alone for product names.
    std::string NodeName(const Node& node) const
    {
        std::string name = node.instance.IsNull() || myNames == MeshLeaves::Names::Products
                               ? std::string()
                               : orvkit::LabelName(node.instance);
        return name.empty() ? myTree.products[static_cast<size_t>(node.product)].name : name;
    }

    // The colour of a label's faces: surface, generic, then its visual material's.
    std::optional<Quantity_Color> OwnColour(const TDF_Label& label) const
    {
        Quantity_Color colour;
        if (!myColours.IsNull() && (myColours->GetColor(label, XCAFDoc_ColorSurf, colour) ||
                                    myColours->GetColor(label, XCAFDoc_ColorGen, colour))) {
            return colour;
        }
        const Handle(XCAFDoc_VisMaterial) material = myMaterials->GetShapeMaterial(label);
        if (!material.IsNull()) {
            return material->BaseColor().GetRGB();
        }
        return std::nullopt;
    }

    void AddLeaf(const Node& node, const Pending& at)
    {
        const PartMeasure& measure = MeasureOf(node.product);
        MeshLeaf leaf;
        leaf.path =
            myNames == MeshLeaves::Names::Products ? orvkit::ObjScene::GroupName(at.path) : at.path;
        leaf.placement = node.global;
        leaf.area = measure.area;
        // A box without end stays so: moved, it would come back as huge numbers.
        leaf.box = measure.box.IsOpen() ? measure.box : PlacedBox(node, measure);
        leaf.areaBand = measure.areaBand;
        leaf.boxBand = measure.boxBand;
        leaf.colours = measure.faceColours;
        if (measure.uncolouredFaces && (at.colour || myNames == MeshLeaves::Names::Instances)) {
            const auto& grey = orvkit::SceneGltf::Uncoloured;
            leaf.colours.push_back(ToColour(
                at.colour.value_or(Quantity_Color(grey[0], grey[1], grey[2], Quantity_TOC_RGB))));
            SortDistinct(leaf.colours);
        }
        myLeaves.push_back(std::move(leaf));
    }

    // The box of a part at `node`'s placement: its own box moved, unless the file holds the
    // turned geometry itself and the turn is not one of quarter turns, which would widen it.
    // Each turn of a part is measured once; moving it along does not widen it.
    Bnd_Box PlacedBox(const Node& node, const PartMeasure& measure)
    {
        if (!myPlacementsBaked) {
            return measure.box.Transformed(node.global);
        }
        const gp_Mat turn = node.global.VectorialPart();
        std::array<long long, 9> key{};
        bool quarterTurns = true;
        for (int row = 1; row <= 3; ++row) {
            for (int column = 1; column <= 3; ++column) {
                const double value = turn(row, column);
                key[static_cast<size_t>(3 * row + column - 4)] = std::llround(value * 1e9);
                quarterTurns = quarterTurns &&
                               (std::abs(value) < 1e-12 || std::abs(std::abs(value) - 1.0) < 1e-12);
            }
        }
        if (quarterTurns) {
            return measure.box.Transformed(node.global);
        }
        auto [at, added] = myTurnedBoxes.try_emplace({node.product, key});
        if (added) {
            gp_Trsf turned = node.global;
            turned.SetTranslationPart(gp_Vec());
            at->second = GeometryBox(measure.boxed.Moved(TopLoc_Location(turned)));
        }
        gp_Trsf along;
        along.SetTranslation(node.global.TranslationPart());
        return at->second.Transformed(along);
    }

    const PartMeasure& MeasureOf(int productIndex)
    {
        if (const auto known = myMeasures.find(productIndex); known != myMeasures.end()) {
            return known->second;
        }
        const Product& product = myTree.products[static_cast<size_t>(productIndex)];
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(product.label);
        PartMeasure& measure = myMeasures[productIndex];
        GProp_GProps surface;
        BRepGProp::SurfaceProperties(shape, surface, Standard_True);
        measure.area = surface.Mass();
        measure.boxed = myFacesOnly ? TopoDS_Shape(FacesOf(shape)) : shape;
        measure.box = GeometryBox(measure.boxed);
        const double diagonal = orvkit::BoxDiagonal(product.box);
        const MeshTolerance::Bands bands = MeshTolerance::Of(shape, diagonal, myDeflection);
        measure.areaBand = bands.area;
        measure.boxBand = bands.box;
        ColourFaces(product.label, shape, measure);
        return measure;
    }

    // The colours of the faces that sub-shape labels colour, the last label over a face
    // winning, as the writer takes them.
    void ColourFaces(const TDF_Label& part, const TopoDS_Shape& shape, PartMeasure& measure) const
    {
        TopTools_IndexedMapOfShape faces;
        TopExp::MapShapes(shape, TopAbs_FACE, faces);
        std::vector<std::optional<Quantity_Color>> own(static_cast<size_t>(faces.Extent()));
        for (TDF_ChildIterator it(part); it.More(); it.Next()) {
            const std::optional<Quantity_Color> colour = OwnColour(it.Value());
            TopoDS_Shape sub;
            if (!colour || !XCAFDoc_ShapeTool::IsSubShape(it.Value()) ||
                !XCAFDoc_ShapeTool::GetShape(it.Value(), sub)) {
                continue;
            }
            for (TopExp_Explorer face(sub, TopAbs_FACE); face.More(); face.Next()) {
                if (const int index = faces.FindIndex(face.Current()); index > 0) {
                    own[static_cast<size_t>(index - 1)] = colour;
                }
            }
        }
        for (const std::optional<Quantity_Color>& colour : own) {
            if (colour) {
                measure.faceColours.push_back(ToColour(*colour));
            }
            measure.uncolouredFaces = measure.uncolouredFaces || !colour;
        }
        SortDistinct(measure.faceColours);
    }

    const ModelTree& myTree;
    MeshLeaves::Names myNames;
    double myDeflection; // what the mesh was written with; 0: the writer's own
    bool myFacesOnly;    // the file holds triangles only: the lines are left out
    bool myPlacementsBaked;
    std::map<std::pair<int, std::array<long long, 9>>, Bnd_Box> myTurnedBoxes;
    Handle(XCAFDoc_ColorTool) myColours;
    Handle(XCAFDoc_VisMaterialTool) myMaterials;
    std::vector<bool> myDrawn;
    std::unordered_map<int, PartMeasure> myMeasures;
    std::vector<MeshLeaf> myLeaves;
};

} // namespace

std::vector<MeshLeaf> MeshLeaves::Of(const ModelTree& tree, const Holding& holding)
{
    return TreeLeaves(tree, holding).Run();
}

std::vector<MeshLeaf> MeshLeaves::Of(const orvkit::ObjScene& scene)
{
    std::vector<MeshLeaf> leaves;
    for (const orvkit::ObjScene::Group& group : scene.GetGroups()) {
        MeshLeaf& leaf = leaves.emplace_back();
        leaf.path = group.name;
        leaf.area = group.area;
        leaf.box = group.box;
        for (const Quantity_Color& colour : group.colours) {
            leaf.colours.push_back(ToColour(colour));
        }
        SortDistinct(leaf.colours);
    }
    return leaves;
}

std::vector<MeshLeaf> MeshLeaves::ByPath(const std::vector<MeshLeaf>& leaves)
{
    std::vector<std::vector<MeshLeaf>> byPath;
    std::unordered_map<std::string, size_t> index;
    for (const MeshLeaf& leaf : leaves) {
        const auto [at, added] = index.emplace(leaf.path, byPath.size());
        if (added) {
            byPath.emplace_back();
        }
        byPath[at->second].push_back(leaf);
    }
    std::vector<MeshLeaf> merged;
    for (const std::vector<MeshLeaf>& same : byPath) {
        merged.push_back(Whole(same, same.front().path));
    }
    return merged;
}

std::vector<MeshLeaf> MeshLeaves::Of(const orvkit::GltfScene& scene)
{
    using Node = orvkit::GltfScene::Node;
    // Each mesh's colours, once, however many nodes use it.
    std::vector<std::vector<Colour>> meshColours;
    for (const orvkit::GltfScene::Mesh& mesh : scene.GetMeshes()) {
        std::vector<Colour>& colours = meshColours.emplace_back();
        for (const Quantity_Color& colour : mesh.colours) {
            colours.push_back(ToColour(colour));
        }
        SortDistinct(colours);
    }
    struct Pending {
        int node;
        std::string path;
        gp_Trsf placement;
    };
    std::vector<Pending> pending;
    const auto push = [&](const std::vector<int>& nodes, const Pending& parent) {
        std::vector<std::string> names;
        for (int node : nodes) {
            names.push_back(scene.GetNodes()[static_cast<size_t>(node)].name);
        }
        const std::vector<std::string> segments = NumberedSegments(names);
        for (size_t i = nodes.size(); i-- > 0;) {
            const Node& node = scene.GetNodes()[static_cast<size_t>(nodes[i])];
            pending.push_back(
                {nodes[i], Joined(parent.path, segments[i]), parent.placement * node.placement});
        }
    };
    push(scene.GetRoots(), {-1, {}, gp_Trsf()});
    std::vector<MeshLeaf> leaves;
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        const Node& node = scene.GetNodes()[static_cast<size_t>(next.node)];
        if (node.mesh >= 0) {
            const orvkit::GltfScene::Mesh& mesh = scene.GetMeshes()[static_cast<size_t>(node.mesh)];
            MeshLeaf leaf;
            leaf.path = next.path;
            leaf.placement = next.placement;
            leaf.area = mesh.area;
            leaf.box = mesh.box.IsVoid() ? Bnd_Box() : mesh.box.Transformed(next.placement);
            leaf.colours = meshColours[static_cast<size_t>(node.mesh)];
            leaves.push_back(std::move(leaf));
        }
        push(node.children, next);
    }
    return leaves;
}

MeshLeaf MeshLeaves::Whole(const std::vector<MeshLeaf>& leaves, const std::string& path)
{
    MeshLeaf whole;
    whole.path = path;
    for (const MeshLeaf& leaf : leaves) {
        whole.area += leaf.area;
        whole.areaBand += leaf.areaBand;
        whole.boxBand = std::max(whole.boxBand, leaf.boxBand);
        whole.box.Add(leaf.box);
        whole.colours.insert(whole.colours.end(), leaf.colours.begin(), leaf.colours.end());
    }
    SortDistinct(whole.colours);
    return whole;
}

} // namespace orvex::detail
