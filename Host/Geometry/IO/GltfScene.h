#pragma once

#include <Bnd_Box.hxx>
#include <Quantity_Color.hxx>
#include <gp_Trsf.hxx>

#include <string>
#include <vector>

namespace orvkit {

// A glTF or GLB file's scene as its writer wrote it: every node with its name and its own
// placement, and every mesh measured once however many nodes use it. OpenCASCADE's glTF reader
// makes an XCAF document of the file, but on the way it names an unplaced node after its mesh,
// merges a node of one primitive into its face and files colours under products: what a file
// says about each placed node is read here from the JSON instead.
//
// Everything is in the document frame the glTF model reader gives: millimetres and Z up.
class GltfScene {
public:
    struct Node {
        std::string name;
        gp_Trsf placement; // in its parent's frame
        int mesh = -1;
        std::vector<int> children;
    };
    struct Mesh {
        double area = 0.0; // of its triangles
        Bnd_Box box;       // of all its vertices, lines' included, in its own frame
        // The base colours of its triangle primitives, in their order (linear RGB, as glTF's
        // base colour factor is).
        std::vector<Quantity_Color> colours;
    };

    // Reads the scene of `path` (.gltf, or .glb by its header); false, with why in `failure`,
    // when the file cannot be read or a node, accessor or buffer points past what is there.
    bool Read(const std::string& path, std::string& failure);

    const std::vector<Node>& GetNodes() const { return myNodes; }
    const std::vector<Mesh>& GetMeshes() const { return myMeshes; }
    // The nodes of the scene shown (the file's "scene", else its first).
    const std::vector<int>& GetRoots() const { return myRoots; }

private:
    std::vector<Node> myNodes;
    std::vector<Mesh> myMeshes;
    std::vector<int> myRoots;
};

} // namespace orvkit
