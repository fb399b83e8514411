#pragma once

#include <TopoDS_Shape.hxx>

#include <nlohmann/json.hpp>

#include <string>

namespace orvex::detail {

// How far a mesh written from a part may measure from the part's B-rep without anything having
// been lost: the one rule by which `compare` and a verified write hold a mesh against its model.
// Meshing is not a difference; a lost part, face or colour is.
//
// A writer meshes each part within a deflection of its bounding-box diagonal (0.1 %, as
// ExportMeshing gives files), its vertices on the surface; OpenCASCADE's mesher widens a face's
// deflection to twice its largest tolerance (its own, its edges', its vertices'), since its
// borders are only known that far. So each corner of a part's box moves inward by at most the
// deflection along each axis, which a placement's rotation spreads over three (kBoxCorner). A
// surface moved along its normal by a distance changes its area by that distance times its mean
// curvature, integrated: planar faces keep their area, and a curved face's triangles fall short
// of it by at most its deflection times its area times its largest curvature (|k1| + |k2|,
// sampled over the face); and a chord along a curved edge cuts off a sliver of about 2/3 of its
// length times the deflection from each of the two faces the edge bounds, planar or not
// (kSliversPerEdge). That is far less than a lost face takes away.
struct MeshTolerance {
    static constexpr double kBoxCorner = 3.0;
    static constexpr double kSliversPerEdge = 4.0 / 3.0;
    // The curvature is sampled on a grid of this many points a side of each face's parameters.
    static constexpr int kCurvatureSamples = 5;

    // What meshing may move a part's area and the corners of its placed box by.
    struct Bands {
        double area = 0.0;
        double box = 0.0;
    };

    // Each takes `chosen`, the deflection in millimetres the mesh was written with when the
    // writer was given one (export --deflection), 0 when it took its own.

    // The deflection a part of this diagonal is meshed within, where its tolerances are smaller.
    static double Deflection(double diagonal, double chosen);
    // The bands of `part`, of this diagonal.
    static Bands Of(const TopoDS_Shape& part, double diagonal, double chosen);
    // The rule in words, as the report shows it.
    static std::string Text(double chosen);
    static nlohmann::json ToJson(double chosen);
};

} // namespace orvex::detail
