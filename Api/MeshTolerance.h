#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace orvex::detail {

// How far a mesh written from a part may measure from the part's B-rep without anything having
// been lost: the one rule by which `compare` and a verified write hold a mesh against its model.
// Meshing is not a difference; a lost part, face or colour is.
//
// A writer meshes each part within a deflection of its bounding-box diagonal (0.1 %, as
// ExportMeshing gives files), with every vertex on the surface. So each corner of a part's box
// moves inward by at most the deflection along each axis, which a placement's rotation spreads
// over three (kBoxCorner). Planar faces keep their area; a curved face loses what its chords cut
// off: a strip of the deflection's width along its straight direction, about 2/3 of it times the
// width for a cylinder and 2 for a sphere (a cap's height over its seam), so the area may fall
// short by twice the deflection times the length of the part's edges (kAreaPerEdge), which is
// far less than the face a lost face would take away.
struct MeshTolerance {
    static constexpr double kAreaPerEdge = 2.0;
    static constexpr double kBoxCorner = 3.0;

    // The deflection a part of this diagonal is meshed within.
    static double Deflection(double diagonal);
    // How far the area of a part of this diagonal and total edge length may move.
    static double AreaBand(double diagonal, double edgeLength);
    // How far a corner of the part's placed box may move.
    static double BoxBand(double diagonal);
    // The rule in words, as the report shows it.
    static std::string Text();
    static nlohmann::json ToJson();
};

} // namespace orvex::detail
