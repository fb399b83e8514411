#include "orvex/Compare.h"

#include "DifferenceWords.h"
#include "FactsCompare.h"
#include "Geometry/IO/LabelName.h"
#include "Geometry/Kernel/BoxDiagonal.h"
#include "MeshLeaves.h"
#include "MeshTolerance.h"
#include "ModelData.h"
#include "ModelTree.h"
#include "PmiCompare.h"
#include "WriteSupport.h"

#include "Common/Core/PathUtil.h"
#include "Geometry/IO/GltfScene.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ObjScene.h"
#include "Geometry/Kernel/ValueText.h"
#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeValidationProps.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <GProp_GProps.hxx>
#include <NCollection_DataMap.hxx>
#include <Poly_Triangulation.hxx>
#include <Precision.hxx>
#include <Quantity_Color.hxx>
#include <TDF_LabelMapHasher.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_VisMaterial.hxx>
#include <XCAFDoc_VisMaterialTool.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orvex {

using namespace detail;
using orvkit::Number;
using orvkit::PlacementText;
using orvkit::Plural;
using orvkit::ToPlacement;

namespace {

using orvkit::ModelFormat;
using orvkit::XdeValidationProps;

// What the differences are called, as the output lists them.
const char* const kModelPath = "(model)";
const char* const kName = "name";
const char* const kInstanceName = "instance name";
const char* const kKind = "kind";
const char* const kAssembly = "assembly";
const char* const kPart = "part";
const char* const kPlacement = "placement";
const char* const kIdentity = "identity";
const char* const kColour = "colour";
const char* const kInstanceColour = "instance colour";
const char* const kFaceColours = "face colours";
const char* const kEdgeColours = "edge colours";
const char* const kSolidColours = "solid colours";
const char* const kInstances = "instances";
const char* const kAssemblies = "assemblies";
const char* const kParts = "parts";
const char* const kVolume = "volume";
const char* const kArea = "area";
const char* const kCentroid = "centroid";
const char* const kBoundingBox = "bounding box";
const char* const kDimensions = "dimensions";
const char* const kDimensionValue = "dimension value";
const char* const kScene = "scene";
const char* const kEqual = "equal";
const char* const kDifference = "difference";
const char* const kComparedList = "compared {}";
const char* const kLeftOutList = "left out {}";

// What the comparison can cover, and why an topic may be left out.
const char* const kTopicTree = "tree";
const char* const kTopicNames = "names";
const char* const kTopicPlacements = "placements";
const char* const kTopicColours = "colours";
const char* const kTopicFaceColours = "face colours";
const char* const kTopicEdgeColours = "edge colours";
const char* const kTopicTopology = "solids, shells, faces, edges, vertices and free edges";
const char* const kTopicDimensions = "dimensions";
const char* const kTopicVolume = "volume";
const char* const kTopicPartProps = "area and centroid of each part";
const char* const kTopicModelProps = "area and centroid of the whole model";
const char* const kTopicBox = "bounding box";
const char* const kTopicPmi = "pmi";
const char* const kTopicLeaves = "placed parts, by their path of names";
const char* const kTopicGroups = "parts, by their path of product names, placements together";
const char* const kTopicLeafProps = "area and bounding box of each placed part";
const char* const kTopicModelArea = "area of the whole model";
const char* const kTopicCentroids = "centroids";
const char* const kTopicProperty = "property";
const char* const kNoTree = "{} keeps no assembly tree";
const char* const kNoProducts = "{} keeps placed nodes, not shared parts and assemblies";
const char* const kNoColours = "{} keeps no colours";
const char* const kNoSolids = "{} holds meshes, not closed solids";
const char* const kNoFaces = "{} holds triangles, not the model's faces";
const char* const kNoDimensions = "{} holds no dimensions";
const char* const kNoPmi = "{} holds no semantic PMI";
const char* const kNoProperties = "{} keeps no materials, body names or properties";
const char* const kColoursNeedTree = "matched along the assembly tree, which {} lacks";
const char* const kModelPropsInstead = "compared for the whole model instead";
const char* const kBakedPlacements = "{} bakes placements into its vertices";
const char* const kNoCentroids = "{} holds triangles, whose centroid moves with the meshing";
const char* const kUnreadScene = "cannot be read: {}";

// The face colours a difference line shows before it abbreviates.
constexpr size_t kShownFaceColours = 4;
// The shortest lever a rotation is measured with, in millimetres, so that the rotations of a
// model without extent are still compared.
constexpr double kLever = 1.0;

bool NearRelative(double a, double b, double relative)
{
    return std::abs(a - b) <= relative * std::max(std::abs(a), std::abs(b));
}

std::string Value(double value)
{
    return Number(value, 10);
}

std::string PointText(const gp_XYZ& point)
{
    return "(" + Value(point.X()) + ", " + Value(point.Y()) + ", " + Value(point.Z()) + ")";
}

// Which table a sub-shape label's colour belongs to: a face's, an edge's (edges, wires and
// vertices: what a wire model colours) or a body's (solids and shells inside a part).
enum SubShapeKind { SubFace, SubEdge, SubBody, SubKinds };

SubShapeKind KindOf(TopAbs_ShapeEnum type)
{
    switch (type) {
    case TopAbs_FACE:
        return SubFace;
    case TopAbs_EDGE:
    case TopAbs_WIRE:
    case TopAbs_VERTEX:
        return SubEdge;
    default:
        return SubBody;
    }
}

// The colours of a part's sub-shape labels by kind, each sorted: its colour tables.
std::array<std::vector<Colour>, SubKinds> SubShapeColours(const Handle(XCAFDoc_ColorTool)& tool,
                                                          const TDF_Label& part)
{
    std::array<std::vector<Colour>, SubKinds> colours;
    TDF_LabelSequence subShapes;
    XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
    for (const TDF_Label& sub : subShapes) {
        const Colour colour = ColourOf(tool, sub);
        if (colour.has) {
            colours[KindOf(XCAFDoc_ShapeTool::GetShape(sub).ShapeType())].push_back(colour);
        }
    }
    for (std::vector<Colour>& table : colours) {
        std::sort(table.begin(), table.end());
    }
    return colours;
}

// How a shape is built: the distinct sub-shapes of each kind, its free edges (on the
// boundary of one face only), which show faces that no longer share an edge, and the
// triangles and their vertices of the faces that are triangles alone (read from tessellated
// STEP or a mesh file), which a faithful writer keeps exactly.
struct Topology {
    // solids, shells, faces, edges, vertices, free edges, triangles, triangle vertices
    std::array<int, 8> counts{};
    int meshFaces = 0;

    // Faces of triangles alone have no edges to show a gap: such a shape is closed when it
    // says it is a solid.
    bool Closed() const { return meshFaces > 0 ? counts[0] > 0 : counts[2] > 0 && counts[5] == 0; }
};

const char* const kTopologyNames[] = {"solids",   "shells",     "faces",     "edges",
                                      "vertices", "free edges", "triangles", "triangle vertices"};

// How far a shape's measures can move without the shape having moved: each face may lie
// anywhere within its tolerance, so the area by each edge's length times its tolerance and
// the volume by each face's area times its tolerance. OpenCASCADE heals what it reads within
// these bands, so a model read, written and read again is only known to within them.
struct Uncertainty {
    double area = 0.0;
    double volume = 0.0;
};

// Each sub-shape's measure, taken once for all the places a model puts it: an assembly of
// 10,000 instances of 50 parts has the faces of 50 parts to measure, not of 10,000.
class MeasureCache {
public:
    template <typename Measure> double Get(const TopoDS_Shape& subShape, Measure measure)
    {
        const TopoDS_Shape unplaced = subShape.Located(TopLoc_Location()).Oriented(TopAbs_FORWARD);
        if (const double* known = myValues.Seek(unplaced)) {
            return *known;
        }
        return *myValues.Bound(unplaced, measure());
    }

private:
    NCollection_DataMap<TopoDS_Shape, double, TopTools_ShapeMapHasher> myValues;
};

Topology TopologyOf(const TopoDS_Shape& shape, Uncertainty* uncertainty, MeasureCache& measures)
{
    Topology topology;
    const TopAbs_ShapeEnum kinds[] = {TopAbs_SOLID, TopAbs_SHELL, TopAbs_FACE, TopAbs_EDGE,
                                      TopAbs_VERTEX};
    for (size_t i = 0; i < std::size(kinds); ++i) {
        TopTools_IndexedMapOfShape map;
        TopExp::MapShapes(shape, kinds[i], map);
        topology.counts[i] = map.Extent();
        for (int k = 1; kinds[i] == TopAbs_FACE && k <= map.Extent(); ++k) {
            const TopoDS_Face& face = TopoDS::Face(map(k));
            TopLoc_Location location;
            const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(face, location);
            if (!BRep_Tool::IsGeometric(face) && !mesh.IsNull()) {
                ++topology.meshFaces;
                topology.counts[6] += mesh->NbTriangles();
                topology.counts[7] += mesh->NbNodes();
            }
        }
    }
    TopTools_IndexedDataMapOfShapeListOfShape faces;
    TopExp::MapShapesAndAncestors(shape, TopAbs_EDGE, TopAbs_FACE, faces);
    for (int i = 1; i <= faces.Extent(); ++i) {
        const TopoDS_Edge& edge = TopoDS::Edge(faces.FindKey(i));
        // A seam is listed twice by its one face; a degenerate edge bounds nothing.
        if (faces(i).Extent() == 1 && !BRep_Tool::Degenerated(edge)) {
            ++topology.counts[5];
        }
        if (uncertainty != nullptr && !BRep_Tool::Degenerated(edge)) {
            uncertainty->area += measures.Get(edge, [&edge] {
                double first = 0.0;
                double last = 0.0;
                BRep_Tool::Range(edge, first, last);
                return !::Precision::IsInfinite(first) && !::Precision::IsInfinite(last) &&
                               BRep_Tool::IsGeometric(edge)
                           ? GCPnts_AbscissaPoint::Length(BRepAdaptor_Curve(edge)) *
                                 BRep_Tool::Tolerance(edge)
                           : 0.0;
            });
        }
    }
    if (uncertainty != nullptr) {
        for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
            const TopoDS_Face& face = TopoDS::Face(it.Current());
            uncertainty->volume += measures.Get(face, [&face] {
                GProp_GProps props;
                BRepGProp::SurfaceProperties(face, props, Standard_True);
                return props.Mass() * BRep_Tool::Tolerance(face);
            });
        }
    }
    return topology;
}

std::string FaceColoursText(const std::vector<Colour>& colours)
{
    if (colours.empty()) {
        return kNone;
    }
    std::string text = std::to_string(colours.size()) + " (";
    size_t shown = 0;
    for (size_t i = 0; i < colours.size() && shown < kShownFaceColours;) {
        size_t end = i;
        while (end < colours.size() && colours[end].bytes == colours[i].bytes) {
            ++end;
        }
        text += (shown == 0 ? "" : ", ") + colours[i].Text() +
                (end - i > 1 ? " x" + std::to_string(end - i) : "");
        ++shown;
        i = end;
        if (shown == kShownFaceColours && i < colours.size()) {
            text += ", ...";
        }
    }
    return text + ")";
}

std::string PlacementOf(const gp_Trsf& trsf)
{
    const std::string text =
        PlacementText(ToPlacement(trsf.TranslationPart(), trsf.VectorialPart()));
    return text.empty() ? kIdentity : text.substr(1);
}

// The differences between two models, and what was compared.
class ModelCompare {
public:
    ModelCompare(const ModelTree& first, const ModelTree& second, const CompareOptions& options)
        : myFirst(first), mySecond(second), myTolerance(options.tolerance),
          myPropertyTolerance(options.propertyTolerance), myDeflection(options.deflection)
    {
        const double diagonal =
            std::max(orvkit::BoxDiagonal(first.box), orvkit::BoxDiagonal(second.box));
        // Never below OpenCASCADE's own confusion distance: a model without extent (parts
        // without geometry) would otherwise call rounding in the last digit a move.
        myLinear = std::max(myTolerance * diagonal, ::Precision::Confusion());
        myCentroidLinear = myPropertyTolerance * diagonal;
        myMesh = myFirst.format->IsMesh() || mySecond.format->IsMesh();
        if (myMesh) {
            ChooseMeshTopics();
            CompareMeshLeaves();
        } else {
            ChooseTopics();
            if (myTree) {
                CompareTree();
            }
            CompareModel();
        }
        std::stable_sort(myDifferences.begin(), myDifferences.end(),
                         [](const Difference& a, const Difference& b) { return a.path < b.path; });
    }

    bool IsEqual() const { return myDifferences.empty(); }

    CompareReport Report() const
    {
        CompareReport report;
        report.first = myFirst.file;
        report.second = mySecond.file;
        report.differences = myDifferences;
        report.compared = myCompared;
        for (const auto& [topic, reason] : myLeftOut) {
            report.leftOut.emplace_back(topic, reason);
        }
        report.tolerance = myTolerance;
        report.propertyTolerance = myPropertyTolerance;
        report.lengthTolerance = myLinear;
        report.meshTolerance = myMesh ? MeshTolerance::Text(myDeflection) : std::string();
        report.meshDeflection = myMesh ? myDeflection : 0.0;
        report.summary = Summary();
        return report;
    }

private:
    using Match = std::tuple<int, int, std::string>; // node of each model, path
    // How the placed parts of a mesh comparison are paired: by the path of node names, by OBJ's
    // groups, or not at all (the whole model).
    enum Pairing { MatchNodes, MatchGroups, MatchWhole };

    // Against a mesh file, what it holds: each placed part where it keeps a tree of named
    // nodes (glTF), the groups of each path where it names them so (OBJ), else the whole model;
    // measures under the one rule of MeshTolerance.
    void ChooseMeshTopics()
    {
        const ModelFormat& a = *myFirst.format;
        const ModelFormat& b = *mySecond.format;
        const auto lacking = [&](bool firstHas, bool secondHas) {
            return !firstHas ? a.name : !secondHas ? b.name : nullptr;
        };
        const char* mesh = lacking(!a.IsMesh(), !b.IsMesh());
        mesh = mesh != nullptr ? mesh : a.name;
        const char* noTree = lacking(a.keepsTree, b.keepsTree);
        Choose({kTopicTree}, noTree != nullptr ? noTree : mesh,
               noTree != nullptr ? kNoTree : kNoProducts);
        myMatch = noTree == nullptr ? MatchNodes : GroupsOrWhole(a, b);
        // glTF's writer keeps the edges that bound no face as lines; OBJ's and STL's leave them.
        const auto keepsLines = [](const ModelFormat& format) {
            return format.id == ModelFormat::GLTF || format.id == ModelFormat::GLB;
        };
        myLinesKept = keepsLines(a) || keepsLines(b);
        if (myMatch == MatchNodes) {
            Choose({kTopicLeaves, kTopicPlacements}, nullptr, nullptr);
        } else if (myMatch == MatchGroups) {
            Choose({kTopicGroups}, nullptr, nullptr);
            Choose({kTopicPlacements}, a.id == ModelFormat::OBJ ? a.name : b.name,
                   kBakedPlacements);
        }
        const char* noColours = lacking(a.keepsColors, b.keepsColors);
        myColours = Choose({kTopicColours, kTopicFaceColours}, noColours, kNoColours);
        Choose({kTopicEdgeColours, kTopicTopology}, mesh, kNoFaces);
        Choose({kTopicVolume}, mesh, kNoSolids);
        Choose({kTopicCentroids}, mesh, kNoCentroids);
        Choose({kTopicDimensions}, mesh, kNoDimensions);
        Choose({kTopicPmi}, mesh, kNoPmi);
        Choose({kTopicProperty}, mesh, kNoProperties);
        myCompared.push_back(myMatch != MatchWhole ? kTopicLeafProps : kTopicModelArea);
        myCompared.push_back(kTopicBox);
    }

    // OBJ's groups are named by the path of products down to each placed part: they are matched
    // with a model's products, or with another OBJ's groups; other mesh files' nodes have
    // nothing to be matched with them by.
    static Pairing GroupsOrWhole(const ModelFormat& a, const ModelFormat& b)
    {
        const bool objA = a.id == ModelFormat::OBJ;
        const bool objB = b.id == ModelFormat::OBJ;
        return (objA || objB) && (objA || !a.IsMesh()) && (objB || !b.IsMesh()) ? MatchGroups
                                                                                : MatchWhole;
    }

    // The placed parts of a side: a glTF scene's nodes or an OBJ file's groups as the file has
    // them, else the tree's, named as the other side's writer names them.
    std::optional<std::vector<MeshLeaf>> LeavesOf(const ModelTree& tree)
    {
        std::string failure;
        if (tree.format->id == ModelFormat::GLTF || tree.format->id == ModelFormat::GLB) {
            orvkit::GltfScene scene;
            if (scene.Read(tree.file, failure)) {
                return MeshLeaves::Of(scene);
            }
        } else if (tree.format->id == ModelFormat::OBJ) {
            orvkit::ObjScene scene;
            if (scene.Read(tree.file, failure)) {
                return MeshLeaves::Of(scene);
            }
        } else {
            // The tree of a model, held against a mesh file: by OBJ's groups, a glTF's nodes or
            // STL's whole.
            MeshLeaves::Holding holding;
            holding.names =
                myMatch == MatchGroups ? MeshLeaves::Names::Products : MeshLeaves::Names::Instances;
            holding.deflection = myDeflection;
            holding.linesKept = myLinesKept;
            holding.placementsBaked = myMatch != MatchNodes;
            std::vector<MeshLeaf> leaves = MeshLeaves::Of(tree, holding);
            return myMatch == MatchGroups ? MeshLeaves::ByPath(leaves) : leaves;
        }
        Add(kModelPath, kScene, fmt::format(fmt::runtime(kUnreadScene), failure));
        return std::nullopt;
    }

    // Pairs the placed parts by path, each looked up once, so that 100,000 of them take no
    // longer than a walk; then the whole models' boxes.
    void CompareMeshLeaves()
    {
        const std::optional<std::vector<MeshLeaf>> first = LeavesOf(myFirst);
        const std::optional<std::vector<MeshLeaf>> second = LeavesOf(mySecond);
        if (!first || !second) {
            return;
        }
        const MeshLeaf wholeA = MeshLeaves::Whole(*first, kModelPath);
        const MeshLeaf wholeB = MeshLeaves::Whole(*second, kModelPath);
        if (myMatch == MatchWhole) {
            CompareLeaf(wholeA, wholeB);
            return;
        }
        std::unordered_map<std::string, size_t> byPath;
        for (size_t j = 0; j < second->size(); ++j) {
            byPath.emplace((*second)[j].path, j);
        }
        std::vector<bool> paired(second->size(), false);
        for (const MeshLeaf& leaf : *first) {
            const auto found = byPath.find(leaf.path);
            if (found == byPath.end()) {
                Add(leaf.path, kOnlyInFirst);
                continue;
            }
            paired[found->second] = true;
            if (myMatch == MatchNodes) {
                ComparePlacements(leaf.placement, (*second)[found->second].placement, leaf.path);
            }
            CompareLeaf(leaf, (*second)[found->second]);
        }
        for (size_t j = 0; j < second->size(); ++j) {
            if (!paired[j]) {
                Add((*second)[j].path, kOnlyInSecond);
            }
        }
        CompareLeafBoxes(wholeA, wholeB);
    }

    void CompareLeaf(const MeshLeaf& a, const MeshLeaf& b)
    {
        if (myColours && a.colours.size() <= 1 && b.colours.size() <= 1) {
            CompareColours(a.colours.empty() ? Colour() : a.colours[0],
                           b.colours.empty() ? Colour() : b.colours[0], kColour, a.path);
        } else if (myColours) {
            CompareFaceColours(a.colours, b.colours, kFaceColours, a.path);
        }
        const double band = std::max(a.areaBand, b.areaBand);
        if (!NearRelative(a.area, b.area, myPropertyTolerance) &&
            std::abs(a.area - b.area) > band) {
            Add(a.path, kArea, Value(a.area), Value(b.area));
        }
        CompareLeafBoxes(a, b);
    }

    void CompareLeafBoxes(const MeshLeaf& a, const MeshLeaf& b)
    {
        // Geometry without end (an infinite line or plane) has no box a mesh of it could keep.
        if (a.box.IsOpen() || b.box.IsOpen()) {
            return;
        }
        const double allowed = std::max(a.boxBand, b.boxBand) + myLinear;
        if (a.box.IsVoid() != b.box.IsVoid() ||
            (!a.box.IsVoid() && (a.box.CornerMin().Distance(b.box.CornerMin()) > allowed ||
                                 a.box.CornerMax().Distance(b.box.CornerMax()) > allowed))) {
            Add(a.path, kBoundingBox, BoxText(a.box), BoxText(b.box));
        }
    }

    void ChooseTopics()
    {
        const ModelFormat& a = *myFirst.format;
        const ModelFormat& b = *mySecond.format;
        const auto lacking = [&](bool firstHas, bool secondHas) {
            return !firstHas ? a.name : !secondHas ? b.name : nullptr;
        };
        // A mesh format's tree is one of placed nodes, each named by its writer: there is no
        // part or assembly that its placements share, so the tree is not a product tree.
        const char* noTree = lacking(a.keepsTree, b.keepsTree);
        const char* noProducts = lacking(!a.IsMesh(), !b.IsMesh());
        const std::initializer_list<const char*> tree = {kTopicTree, kTopicNames, kTopicPlacements};
        myTree = noTree != nullptr ? Choose(tree, noTree, kNoTree)
                                   : Choose(tree, noProducts, kNoProducts);
        noTree = noTree != nullptr ? noTree : noProducts;
        // Colours are matched part by part and instance by instance, along the tree.
        const char* noColours = lacking(a.keepsColors, b.keepsColors);
        myColours = noColours != nullptr ? Choose({kTopicColours}, noColours, kNoColours)
                                         : Choose({kTopicColours}, noTree, kColoursNeedTree);
        myDimensions = Choose(
            {kTopicDimensions},
            lacking(a.kind == ModelFormat::KindCad, b.kind == ModelFormat::KindCad), kNoDimensions);
        const char* noStep = lacking(a.id == ModelFormat::STEP, b.id == ModelFormat::STEP);
        myPmi = Choose({kTopicPmi}, noStep, kNoPmi);
        myFacts = Choose({kTopicProperty}, noStep, kNoProperties) && myTree;
        myVolume = Choose({kTopicVolume}, lacking(!a.IsMesh(), !b.IsMesh()), kNoSolids);
        // A mesh reader makes a face of each primitive, so its faces are not the B-rep's.
        const char* noFaces = lacking(!a.IsMesh(), !b.IsMesh());
        myFaceColours =
            myColours && Choose({kTopicFaceColours, kTopicEdgeColours}, noFaces, kNoFaces);
        myTopology = Choose({kTopicTopology}, noFaces, kNoFaces);
        if (myTree) {
            myCompared.push_back(kTopicPartProps);
        } else {
            myLeftOut.emplace_back(kTopicPartProps, kModelPropsInstead);
            myCompared.push_back(kTopicModelProps);
        }
        myCompared.push_back(kTopicBox);
    }

    // Adds the topics to the compared ones, or to those left out when a format lacks them.
    bool Choose(std::initializer_list<const char*> topics, const char* lacking, const char* why)
    {
        for (const char* topic : topics) {
            if (lacking == nullptr) {
                myCompared.push_back(topic);
            } else {
                myLeftOut.emplace_back(topic, fmt::format(fmt::runtime(why), lacking));
            }
        }
        return lacking == nullptr;
    }

    void Add(const std::string& path, const char* what, std::string first = {},
             std::string second = {})
    {
        myDifferences.push_back({path, what, std::move(first), std::move(second)});
    }

    void CompareTree()
    {
        std::vector<Match> pending;
        MatchChildren(myFirst.roots, mySecond.roots, std::string(), pending);
        while (!pending.empty()) {
            const auto [a, b, path] = pending.back();
            pending.pop_back();
            CompareNodes(a, b, path);
            MatchChildren(myFirst.nodes[a].children, mySecond.nodes[b].children, path, pending);
        }
    }

    // Pairs siblings by name and order among those of the same name; those left over on both
    // sides are paired in order (a renamed instance), the rest exist on one side only.
    void MatchChildren(const std::vector<int>& first, const std::vector<int>& second,
                       const std::string& parent, std::vector<Match>& pending)
    {
        const Siblings a = NameSiblings(myFirst, first);
        const Siblings b = NameSiblings(mySecond, second);
        std::unordered_map<std::string, size_t> byKey;
        for (size_t j = 0; j < b.keys.size(); ++j) {
            byKey.emplace(b.keys[j], j);
        }
        std::vector<bool> used(second.size(), false);
        std::vector<size_t> leftOver;
        std::vector<Match> matches;
        const auto pathOf = [&](const std::string& segment) {
            return parent.empty() ? segment : parent + "/" + segment;
        };
        for (size_t i = 0; i < first.size(); ++i) {
            const auto found = byKey.find(a.keys[i]);
            if (found == byKey.end()) {
                leftOver.push_back(i);
                continue;
            }
            used[found->second] = true;
            matches.emplace_back(first[i], second[found->second], pathOf(a.segments[i]));
        }
        size_t next = 0;
        for (size_t j = 0; j < second.size(); ++j) {
            if (used[j]) {
                continue;
            }
            if (next < leftOver.size()) {
                const size_t i = leftOver[next++];
                matches.emplace_back(first[i], second[j], pathOf(a.segments[i]));
            } else {
                Add(pathOf(b.segments[j]), kOnlyInSecond);
            }
        }
        for (; next < leftOver.size(); ++next) {
            Add(pathOf(a.segments[leftOver[next]]), kOnlyInFirst);
        }
        // Depth first, in the first model's order.
        pending.insert(pending.end(), matches.rbegin(), matches.rend());
    }

    void CompareNodes(int a, int b, const std::string& path)
    {
        const Node& na = myFirst.nodes[a];
        const Node& nb = mySecond.nodes[b];
        const Product& pa = myFirst.products[na.product];
        const Product& pb = mySecond.products[nb.product];
        if (pa.name != pb.name) {
            Add(path, kName, "'" + pa.name + "'", "'" + pb.name + "'");
        }
        if (!na.instance.IsNull() && !nb.instance.IsNull()) {
            CompareInstances(na, nb, path);
        }
        ComparePlacements(na.global, nb.global, path);
        const FactsCompare facts(myPropertyTolerance);
        if (myFacts && !na.instance.IsNull() && !nb.instance.IsNull()) {
            Append(facts.CompareInstances(na.instance, nb.instance, path));
        }
        if (myProductPairs.insert(PairKey(na.product, nb.product)).second) {
            CompareProducts(pa, pb, path);
            if (myFacts) {
                Append(facts.CompareProducts(pa.label, pb.label, path));
            }
        }
    }

    void Append(std::vector<Difference> differences)
    {
        for (Difference& difference : differences) {
            myDifferences.push_back(std::move(difference));
        }
    }

    void CompareInstances(const Node& a, const Node& b, const std::string& path)
    {
        const std::string nameA = orvkit::LabelName(a.instance);
        const std::string nameB = orvkit::LabelName(b.instance);
        if (nameA != nameB) {
            Add(path, kInstanceName, "'" + nameA + "'", "'" + nameB + "'");
        }
        if (myColours) {
            CompareColours(ColourOf(myFirst.impl->colorTool, a.instance),
                           ColourOf(mySecond.impl->colorTool, b.instance), kInstanceColour, path);
        }
    }

    // A placement moves a point at a diagonal's distance from the origin by at most the
    // translation's change plus the diagonal times the largest change of the linear part.
    void ComparePlacements(const gp_Trsf& a, const gp_Trsf& b, const std::string& path)
    {
        const gp_Mat la = a.VectorialPart();
        const gp_Mat lb = b.VectorialPart();
        double linear = 0.0;
        for (int row = 1; row <= 3; ++row) {
            for (int col = 1; col <= 3; ++col) {
                linear = std::max(linear, std::abs(la(row, col) - lb(row, col)));
            }
        }
        const double lever =
            std::max({orvkit::BoxDiagonal(myFirst.box), orvkit::BoxDiagonal(mySecond.box), kLever});
        const double deviation =
            (a.TranslationPart() - b.TranslationPart()).Modulus() + linear * lever;
        if (deviation > myLinear) {
            Add(path, kPlacement, PlacementOf(a), PlacementOf(b));
        }
    }

    void CompareProducts(const Product& a, const Product& b, const std::string& path)
    {
        if (a.occurrences != b.occurrences) {
            Add(path, kInstances, std::to_string(a.occurrences), std::to_string(b.occurrences));
        }
        if (a.assembly != b.assembly) {
            Add(path, kKind, a.assembly ? kAssembly : kPart, b.assembly ? kAssembly : kPart);
            return;
        }
        if (myColours) {
            CompareColours(ColourOf(myFirst.impl->colorTool, a.label),
                           ColourOf(mySecond.impl->colorTool, b.label), kColour, path);
        }
        if (a.assembly) {
            return;
        }
        if (myFaceColours) {
            const auto coloursA = SubShapeColours(myFirst.impl->colorTool, a.label);
            const auto coloursB = SubShapeColours(mySecond.impl->colorTool, b.label);
            const char* names[SubKinds] = {kFaceColours, kEdgeColours, kSolidColours};
            for (size_t kind = 0; kind < SubKinds; ++kind) {
                CompareFaceColours(coloursA[kind], coloursB[kind], names[kind], path);
            }
        }
        CompareShapes(XCAFDoc_ShapeTool::GetShape(a.label), XCAFDoc_ShapeTool::GetShape(b.label),
                      path);
    }

    // Their build and their measures. Volume and centroid belong to closed shapes only: an
    // open shell has neither, and what BRepGProp gives for it depends on where it is cut open.
    void CompareShapes(const TopoDS_Shape& a, const TopoDS_Shape& b, const std::string& path)
    {
        Uncertainty uncertaintyA;
        Uncertainty uncertaintyB;
        const Topology topologyA = TopologyOf(a, &uncertaintyA, myMeasures);
        const Topology topologyB = TopologyOf(b, &uncertaintyB, myMeasures);
        if (myTopology) {
            for (size_t i = 0; i < topologyA.counts.size(); ++i) {
                if (topologyA.counts[i] != topologyB.counts[i]) {
                    Add(path, kTopologyNames[i], std::to_string(topologyA.counts[i]),
                        std::to_string(topologyB.counts[i]));
                }
            }
        }
        const bool closed = topologyA.Closed() && topologyB.Closed();
        const Uncertainty band{std::max(uncertaintyA.area, uncertaintyB.area),
                               std::max(uncertaintyA.volume, uncertaintyB.volume)};
        CompareProps(XdeValidationProps::Compute(a, closed && myVolume),
                     XdeValidationProps::Compute(b, closed && myVolume), band, path);
    }

    void CompareColours(const Colour& a, const Colour& b, const char* what, const std::string& path)
    {
        if (!a.Matches(b)) {
            Add(path, what, a.Text(), b.Text());
        }
    }

    void CompareFaceColours(const std::vector<Colour>& a, const std::vector<Colour>& b,
                            const char* what, const std::string& path)
    {
        bool same = a.size() == b.size();
        for (size_t i = 0; same && i < a.size(); ++i) {
            same = a[i].Matches(b[i]);
        }
        if (!same) {
            Add(path, what, FaceColoursText(a), FaceColoursText(b));
        }
    }

    void CompareProps(const XdeValidationProps& a, const XdeValidationProps& b,
                      const Uncertainty& band, const std::string& path)
    {
        if (myVolume) {
            CompareScalar(a.hasVolume, a.volume, b.hasVolume, b.volume, band.volume, kVolume, path);
        }
        CompareScalar(a.hasArea, a.area, b.hasArea, b.area, band.area, kArea, path);
        if (a.hasCentroid != b.hasCentroid ||
            (a.hasCentroid && a.centroid.Distance(b.centroid) > myCentroidLinear)) {
            Add(path, kCentroid, a.hasCentroid ? PointText(a.centroid.XYZ()) : kNone,
                b.hasCentroid ? PointText(b.centroid.XYZ()) : kNone);
        }
    }

    // Equal within the relative tolerance, or within what the shapes' own tolerances allow.
    void CompareScalar(bool hasA, double a, bool hasB, double b, double band, const char* what,
                       const std::string& path)
    {
        if (hasA != hasB ||
            (hasA && !NearRelative(a, b, myPropertyTolerance) && std::abs(a - b) > band)) {
            Add(path, what, hasA ? Value(a) : kNone, hasB ? Value(b) : kNone);
        }
    }

    void CompareModel()
    {
        if (myTree) {
            CompareCount(myFirst.Count(true), mySecond.Count(true), kAssemblies);
            CompareCount(myFirst.Count(false), mySecond.Count(false), kParts);
            CompareCount(myFirst.instances, mySecond.instances, kInstances);
        } else {
            CompareShapes(myFirst.WholeShape(), mySecond.WholeShape(), kModelPath);
        }
        if (myDimensions) {
            CompareDimensions(myFirst.Dimensions(), mySecond.Dimensions());
        }
        if (myPmi && myFirst.impl != nullptr && mySecond.impl != nullptr) {
            Append(PmiCompare(myTolerance)
                       .Compare(ReadPmiOf(*myFirst.impl, myFirst.file),
                                ReadPmiOf(*mySecond.impl, mySecond.file)));
        }
        CompareBoxes();
    }

    void CompareCount(int a, int b, const char* what)
    {
        if (a != b) {
            Add(kModelPath, what, std::to_string(a), std::to_string(b));
        }
    }

    void CompareDimensions(const std::vector<double>& a, const std::vector<double>& b)
    {
        if (a.size() != b.size()) {
            Add(kModelPath, kDimensions, std::to_string(a.size()), std::to_string(b.size()));
            return;
        }
        for (size_t i = 0; i < a.size(); ++i) {
            if (!NearRelative(a[i], b[i], myTolerance)) {
                Add(kModelPath, kDimensionValue, Value(a[i]), Value(b[i]));
            }
        }
    }

    void CompareBoxes()
    {
        const Bnd_Box& a = myFirst.box;
        const Bnd_Box& b = mySecond.box;
        if (a.IsVoid() && b.IsVoid()) {
            return;
        }
        // A corner lies on some face, edge or vertex, which is only known to within its
        // tolerance: healing an IGES face's borders moves the box by that much.
        const double allowed =
            std::max({myLinear, myFirst.largestTolerance, mySecond.largestTolerance});
        if (a.IsVoid() || b.IsVoid() || a.CornerMin().Distance(b.CornerMin()) > allowed ||
            a.CornerMax().Distance(b.CornerMax()) > allowed) {
            Add(kModelPath, kBoundingBox, BoxText(a), BoxText(b));
        }
    }

    static std::string BoxText(const Bnd_Box& box)
    {
        return box.IsVoid()
                   ? std::string(kNone)
                   : PointText(box.CornerMin().XYZ()) + " - " + PointText(box.CornerMax().XYZ());
    }

    static uint64_t PairKey(int a, int b)
    {
        return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
    }

    std::string Summary() const
    {
        std::string text =
            IsEqual() ? std::string(kEqual) : Plural(myDifferences.size(), kDifference);
        text += "; " + fmt::format(fmt::runtime(kComparedList), Joined(myCompared));
        std::vector<std::string> leftOut;
        for (const auto& [topic, reason] : myLeftOut) {
            leftOut.push_back(std::string(topic) + " (" + reason + ")");
        }
        if (!leftOut.empty()) {
            text += "; " + fmt::format(fmt::runtime(kLeftOutList), Joined(leftOut));
        }
        if (myMesh) {
            text += "; " + MeshTolerance::Text(myDeflection);
        }
        return text;
    }

    static std::string Joined(const std::vector<std::string>& items)
    {
        std::string text;
        for (const std::string& item : items) {
            text += (text.empty() ? "" : ", ") + item;
        }
        return text;
    }

    const ModelTree& myFirst;
    const ModelTree& mySecond;
    double myTolerance;
    double myPropertyTolerance;
    double myDeflection; // what a mesh file was meshed with; 0: the writer's own
    double myLinear = 0.0;
    double myCentroidLinear = 0.0;
    bool myTree = false;
    bool myMesh = false;
    Pairing myMatch = MatchWhole;
    bool myLinesKept = true; // the mesh file keeps the lines a model's free edges make
    bool myColours = false;
    bool myFaceColours = false;
    bool myTopology = false;
    bool myDimensions = false;
    bool myPmi = false;
    bool myFacts = false;
    bool myVolume = false;
    std::vector<std::string> myCompared;
    std::vector<std::pair<const char*, std::string>> myLeftOut;
    std::vector<Difference> myDifferences;
    std::unordered_set<uint64_t> myProductPairs;
    MeasureCache myMeasures;
};

} // namespace

std::string Difference::Text() const
{
    if (a.empty() && b.empty()) {
        return path + ": " + topic;
    }
    return path + ": " + topic + " " + a + " vs " + b;
}

std::string CompareReport::Line() const
{
    return orvkit::PathUtil::GetFileName(first) + " vs " + orvkit::PathUtil::GetFileName(second) +
           ": " + summary;
}

nlohmann::json CompareReport::ToJson() const
{
    nlohmann::json items = nlohmann::json::array();
    for (const Difference& d : differences) {
        nlohmann::json item = {{"path", d.path}, {"what", d.topic}};
        item["first"] = d.a.empty() ? nlohmann::json() : nlohmann::json(d.a);
        item["second"] = d.b.empty() ? nlohmann::json() : nlohmann::json(d.b);
        items.push_back(item);
    }
    nlohmann::json left = nlohmann::json::array();
    for (const auto& [topic, reason] : leftOut) {
        left.push_back({{"topic", topic}, {"reason", reason}});
    }
    return {{"first", first},
            {"second", second},
            {"equal", Equal()},
            {"differences", items},
            {"compared", compared},
            {"leftOut", left},
            {"tolerance", tolerance},
            {"propertyTolerance", propertyTolerance},
            {"lengthTolerance", lengthTolerance},
            {"meshTolerance",
             meshTolerance.empty() ? nlohmann::json() : MeshTolerance::ToJson(meshDeflection)},
            {"summary", summary}};
}

CompareReport Compare(const Model& a, const Model& b, const CompareOptions& options)
{
    ModelData& first = ModelAccess::Data(a);
    ModelData& second = ModelAccess::Data(b);
    // Both at once, whichever order another thread takes them in.
    std::unique_lock<std::recursive_mutex> lockFirst(first.lock, std::defer_lock);
    std::unique_lock<std::recursive_mutex> lockSecond(second.lock, std::defer_lock);
    if (&first == &second) {
        lockFirst.lock();
    } else {
        std::lock(lockFirst, lockSecond);
    }
    return ModelCompare(LaidOut(a).tree, LaidOut(b).tree, options).Report();
}

namespace detail {

CompareReport CompareWritten(const orvkit::XdeDocumentImpl& written, const std::string& source,
                             const Model& back, double deflection)
{
    ModelData& data = ModelAccess::Data(back);
    const std::lock_guard<std::recursive_mutex> lock(data.lock);
    const ModelTree& second = LaidOut(back).tree;
    ModelTree first;
    first.file = source;
    // What the source's format could hold is what the model in memory holds.
    first.format = ModelFormat::ForPath(source);
    if (first.format == nullptr) {
        first.format = second.format;
    }
    first.impl = &written;
    BuildTree(first);
    CompareOptions options;
    options.deflection = deflection;
    return ModelCompare(first, second, options).Report();
}

} // namespace detail

} // namespace orvex
