#pragma once

#include "ModelTree.h"

#include "Geometry/IO/GltfScene.h"
#include "Geometry/IO/ObjScene.h"

#include <Bnd_Box.hxx>
#include <gp_Trsf.hxx>

#include <string>
#include <vector>

namespace orvex::detail {

// One placed part as a mesh file holds it: a node with a mesh, or an instance of a part in a
// model tree, named by the path of node names a glTF writer gives it.
struct MeshLeaf {
    std::string path;
    gp_Trsf placement; // from the root
    double area = 0.0;
    Bnd_Box box; // placed
    // The colours it is drawn in, each once, sorted: its faces' own and its own for the rest.
    std::vector<Colour> colours;
    // What meshing may move its area and its box's corners by (MeshTolerance): set on the
    // B-rep's side, 0 for what is already a mesh.
    double areaBand = 0.0;
    double boxBand = 0.0;
};

// The placed parts of a model, as `compare` holds them against a mesh file.
class MeshLeaves {
public:
    // How a writer names its placed parts.
    enum class Names {
        // A glTF node's: the path of its instances' names (the product's where an instance has
        // none), "name:2" among siblings of one name; a part without a colour is grey.
        Instances,
        // An OBJ group's: the path of product names; a part without a colour has none.
        Products,
    };

    // How the file the model is held against keeps its placed parts.
    struct Holding {
        Names names = Names::Instances;
        double deflection = 0.0; // what the mesh was written with; 0: the writer's own
        // glTF keeps the edges that bound no face, as lines. OBJ's and STL's writers leave
        // them out: there a part of such edges alone is not there, and a part's box is its
        // faces'.
        bool linesKept = true;
        // OBJ and STL move the vertices themselves: a placed part's box there is that of its
        // turned geometry, tighter than its own box turned, which a glTF node keeps.
        bool placementsBaked = false;
    };

    // Each placed part that has something to draw, named and measured as `holding` says,
    // drawn in its nearest colour (instance, part, then the assemblies above).
    static std::vector<MeshLeaf> Of(const ModelTree& tree, const Holding& holding);
    // The nodes with meshes of a glTF scene, under the path of their names.
    static std::vector<MeshLeaf> Of(const orvkit::GltfScene& scene);
    // The groups of an OBJ file.
    static std::vector<MeshLeaf> Of(const orvkit::ObjScene& scene);
    // The leaves of one path as one each, in the order their paths first appear: what an OBJ
    // file's groups of one name are held against.
    static std::vector<MeshLeaf> ByPath(const std::vector<MeshLeaf>& leaves);
    // All of them as one, at `path`: what a file without a tree (STL, OBJ) is held against.
    static MeshLeaf Whole(const std::vector<MeshLeaf>& leaves, const std::string& path);
};

} // namespace orvex::detail
