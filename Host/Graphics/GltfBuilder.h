#pragma once

#include "Data/Kernel/Document.h"
#include "Data/Kernel/DrawableElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "Geometry/IO/ExportMeshing.h"
#include "Geometry/IO/ShapeMesher.h"
#include "Graphics/SceneGltf.h"
#include "Graphics/SceneNode.h"

#include <TDF_Label.hxx>
#include <TDocStd_Document.hxx>
#include <TopoDS_Shape.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_VisMaterialTool.hxx>
#include <gp_Trsf.hxx>

#include <glm/vec3.hpp>
#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orvkit {

// Builds the glTF JSON and its one binary buffer for SceneGltf, from a document, a display
// scene or an XDE document. One builder builds one scene: make a new one for the next.
class GltfBuilder {
public:
    // The glTF JSON of a document, whose one buffer is `binary`.
    std::string Build(const Document& document, std::string& binary);
    // The same for a display scene; nodes are named by their place in a depth-first walk
    // from 1 (the root), as SceneTree numbers them.
    std::string Build(const SceneNode& root, std::string& binary);
    // The glTF JSON of an XDE document, whose one buffer is `binary`.
    std::string Build(const Handle(TDocStd_Document)& document, const SceneGltf::Options& options,
                      std::string& binary);

private:
    using OptionalColor = std::optional<std::array<float, 3>>;
    using Color = std::array<float, 3>;
    struct ColoredFaces;
    // The colours an XDE node is drawn in: its faces', and its lines' (a curve colour where it
    // has one, else the faces').
    struct Style {
        OptionalColor faces;
        OptionalColor lines;
    };
    // The colours of a part's free edges (those that bound no face): `base`, and each edge's
    // own by its index in the part's edge map, from 0.
    struct EdgeColors {
        Color base;
        std::map<int, Color> own;
    };

    // The document walk.
    void CollectMeasured(const Document& document);
    int MakeNode(const Element& element);
    void AddPrototype(const DrawableElement& drawable, nlohmann::json& node,
                      nlohmann::json& children);
    int MeshOf(const ShapeElement& element);
    static void AddEdges(const TopoDS_Shape& shape, const std::set<int>& listed,
                         nlohmann::json& extras);

    // The display-scene walk.
    int MakeSceneNode(const SceneNode& scene, int& next);

    // The XDE walk.
    OptionalColor ColorOf(const TDF_Label& label) const;
    OptionalColor LineColorOf(const TDF_Label& label) const;
    FaceColorTable FaceColorsOf(const TDF_Label& part, const TopoDS_Shape& shape) const;
    std::map<int, Color> EdgeColorsOf(const TDF_Label& part, const TopoDS_Shape& shape) const;
    void AddFacts(const TDF_Label& label, const TDF_Label& referred, bool instance,
                  nlohmann::json& node);
    int MakeXdeNode(const TDF_Label& label, const Style& inherited);
    int MeshOfPart(const TDF_Label& part, const Style& style);

    // What every walk shares.
    std::string Finish(const nlohmann::json& sceneNodes, std::string& binary);
    int AddNode(nlohmann::json node, nlohmann::json children);
    void AddPlacement(const gp_Trsf& own, nlohmann::json& node) const;
    int MeshOf(const void* key, const std::string& name, const TopoDS_Shape& shape,
               const glm::vec3& base, const FaceColorTable* faceColors,
               const std::set<int>* listed = nullptr, const EdgeColors* freeEdges = nullptr);
    nlohmann::json MakeMesh(const std::string& name, const ColoredFaces& colored);
    void AddEdgeLines(const TopoDS_Shape& shape, double deflection, const Color& color,
                      nlohmann::json& mesh);
    void AddFreeEdgeLines(const TopoDS_Shape& shape, double deflection, const EdgeColors& colors,
                          nlohmann::json& mesh);
    void AddLinePrimitive(const std::vector<float>& positions, const std::vector<uint32_t>& indices,
                          const Color& color, nlohmann::json& mesh);
    int MaterialOf(const Color& color);
    int AddView(const void* data, size_t bytes, int target);
    int AddAccessor(const std::vector<float>& values, const char* type, int target, bool bounds);
    int AddIndices(const std::vector<uint32_t>& indices);

    // Meshing of shapes without triangles: an absolute deflection when above 0, else the
    // relative one; the page's unless the build says otherwise.
    double myDeflection = 0.0;
    double myRelativeDeflection = ExportMeshing::PageRelativeDeflection;
    double myAngle = ExportMeshing::AngularDeflection;
    double myFaceTriangles = ShapeMesher::MaxFaceTriangles;
    // The file's axes and unit against the model's: identity for the page, glTF's Y up and
    // metres for files. Vertices take both at once.
    gp_Trsf myFrame;
    double myUnitScale = 1.0;
    gp_Trsf myVertexFrame;
    // The page rounds placements to six digits, where every instance costs bytes; a file
    // keeps them whole.
    bool myShortPlacements = true;
    // The page draws each part's edges over its faces: one line primitive after the faces'.
    bool myEdgeLines = false;
    const Document* myDocument = nullptr;
    // Mesh keys of the XDE walk: a part's label entry with the colours of its faces and lines.
    std::set<std::tuple<std::string, Color, Color>> myPartKeys;
    nlohmann::json myNodes = nlohmann::json::array();
    nlohmann::json myMeshes = nlohmann::json::array();
    nlohmann::json myMaterials = nlohmann::json::array();
    nlohmann::json myAccessors = nlohmann::json::array();
    nlohmann::json myViews = nlohmann::json::array();
    std::string myBinary;
    std::unordered_map<const void*, int> myMeshIndex;
    // Sub-shape indices that dimensions measure, by shape element id.
    struct Measured {
        std::set<int> faces;
        std::set<int> edges;
    };
    std::unordered_map<uint64_t, Measured> myMeasured;
    std::map<Color, int> myMaterialIndex;
    Handle(XCAFDoc_ColorTool) myColors;
    Handle(XCAFDoc_VisMaterialTool) myMaterialTool;
};

} // namespace orvkit
