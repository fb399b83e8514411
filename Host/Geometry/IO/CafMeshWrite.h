#pragma once

#include "Geometry/IO/ExportMeshing.h"
#include "Geometry/IO/ModelFormat.h"
#include "Geometry/IO/ShapeMesher.h"

#include <TDocStd_Document.hxx>

#include <string>
#include <vector>

namespace orvkit {

// The one write of the formats OpenCASCADE writes without a translator session: STL, OBJ, glTF
// and GLB from the triangles of the parts of an XCAF document, and BREP. The kernel's model
// writer writes whole documents through it, and the shape writers a document that holds one
// shape as its one part, so that a shape is meshed and written alike on both roads.
//
// Each part is meshed once, however often it is placed, as ExportMeshing says for files; faces
// that hold only triangles (read from a mesh file) keep them. The triangulation goes onto the
// document's shapes: mesh a document, or a copy, whose shapes the caller does not need as they
// were.
struct CafMeshWrite {
    struct Options {
        // The length unit of the document's shapes, and that of the numbers in an STL, OBJ or
        // BREP file: names LengthUnit knows. glTF is in metres whatever `fileUnit` says.
        std::string documentUnit = "mm";
        std::string fileUnit = "mm";
        // Binary STL unless true.
        bool stlAscii = false;
        // Largest distance between a surface and its triangles, in the document's unit; 0: as
        // ExportMeshing says for files, 0.1 % of each part's bounding-box diagonal.
        double deflection = 0.0;
        // Largest angle between neighbouring triangles' normals on a curved face, in radians.
        double angle = ExportMeshing::AngularDeflection;
        // The most triangles a face is expected to get; a face expected to get more is meshed
        // coarser, with a warning naming its part.
        double maxFaceTriangles = ShapeMesher::MaxFaceTriangles;
    };

    // Meshes every part of `document` for `format`, a mesh format. Why the file cannot be
    // written (a unit LengthUnit does not know, no face or edge at all, or edges alone for a
    // format of triangles only); empty when it can. What the file will lack (edges that bound no
    // face) and the parts meshed coarser than asked go to `warnings`, one sentence each.
    static std::string Mesh(const Handle(TDocStd_Document)& document, const ModelFormat& format,
                            const Options& options, std::vector<std::string>& warnings);

    // Writes `document` as `format` (STL, OBJ, glTF, GLB or BREP) straight into `file`, not
    // replacing: the caller writes through ReplaceFile. STL and BREP get the placed shapes of
    // the free labels (the one free shape alone, when there is one), STL their triangles; OBJ
    // and glTF are written from the document's tree. Mesh formats want Mesh to have run.
    // False, with the reason, when a unit is not one LengthUnit knows, the format is none of
    // these, or OpenCASCADE's writer fails.
    static bool Write(const std::string& file, const ModelFormat& format,
                      const Handle(TDocStd_Document)& document, const Options& options,
                      std::string& reason);
};

} // namespace orvkit
