#pragma once

#include "Data/Kernel/Document.h"
#include "Geometry/IO/ExportMeshing.h"
#include "Geometry/IO/ShapeMesher.h"
#include "Graphics/SceneNode.h"

#include <TDocStd_Document.hxx>

#include <array>
#include <string>

namespace orvkit {

// Models as glTF 2.0: the one glTF writer of the house, behind the 3D page, the export of
// models and the shape writer. The JSON and its one binary buffer are kept apart, so that a
// page can hold the JSON as text; Write makes a .gltf or .glb file of them.
//
// Every part becomes one mesh, meshed once, with one primitive per colour (the part's colour
// and its faces' own) and one material per colour; nodes mirror the assembly tree, and an
// instance's node uses its part's mesh, so 10,000 placed bolts are 10,000 small nodes and one
// mesh. Colours are the linear RGB the documents hold, as glTF's base colour factor is.
class SceneGltf {
public:
    // What a face without a colour is drawn and written in (linear RGB): a light grey.
    static constexpr std::array<float, 3> Uncoloured{0.6f, 0.6f, 0.62f};

    // A document's drawable content, for the 3D page: in the document's own units and axes,
    // nodes named by element id so that the page can find the node of a tree entry, parts
    // meshed as ExportMeshing says for the page (0.5 % of each shape's bounding-box diagonal,
    // 0.5 rad angular). Each part's edges follow its faces' primitives as one line primitive;
    // meshes keep in their extras the triangle ranges of the faces, and the polylines of the
    // edges, that dimensions measure.
    explicit SceneGltf(const Document& document);
    // A display scene (a VRML file's), for the page: groups with their transforms, shapes in
    // their face material's colour, nodes named by their depth-first number from 1.
    explicit SceneGltf(const SceneNode& root);

    // How an XDE document is written.
    struct Options {
        // Metres in one unit of the document (0.001 for millimetres).
        double metresPerUnit = 0.001;
        // Meshing of parts that carry no triangles yet: chordal deflection in document units,
        // 0 for what ExportMeshing gives files (0.1 % of each part's bounding-box diagonal),
        // and angular deflection in radians.
        double deflection = 0.0;
        double angle = ExportMeshing::AngularDeflection;
        // The most triangles a face is expected to get; past it, the face is meshed coarser.
        double maxFaceTriangles = ShapeMesher::MaxFaceTriangles;
    };
    // An XDE document as a glTF file has it: metres and Y up (one root node turns and scales
    // the model), a node per assembly, instance and part named as in the document, a mesh per
    // part and colour with the part's name. Instance colours override part colours, which
    // override those of the assemblies above.
    SceneGltf(const Handle(TDocStd_Document)& document, const Options& options);

    // The glTF JSON; its buffer 0 has no URI and is GetBinary().
    const std::string& GetJson() const { return myJson; }
    const std::string& GetBinary() const { return myBinary; }
    // Whether there is anything to draw.
    bool HasMeshes() const { return myHasMeshes; }

    // Writes `file` (not replacing: the caller writes through a temporary file) as binary glTF
    // when `binary`, else as glTF with the buffer inside as a data URI. False when the file
    // cannot be written.
    bool Write(const std::string& file, bool binary) const;

private:
    std::string myJson;
    std::string myBinary;
    bool myHasMeshes = false;
};

} // namespace orvkit
