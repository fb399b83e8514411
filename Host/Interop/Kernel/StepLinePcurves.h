#pragma once

#include <TopoDS_Shape.hxx>

namespace orvkit {

// Gives the straight curves that edges have on surfaces bounded both ways an end of their own,
// so that OpenCASCADE's STEP writer writes them as bounded curves.
//
// The writer sends a straight curve on a face's surface as an endless LINE. The reader then
// finds where on it the edge lies by projecting the edge's ends onto the line cut at the
// surface's bounds, and on a B-spline surface (bounded both ways, periodic in neither) that
// goes wrong for lines as often as not: a line along one direction is treated as if the
// surface were periodic in it, and one slightly across is cut at the wrong bound, so the range
// found is too short, empty or beyond the face. Its repair then moves the face's corners and
// adds edges, and the face comes back smaller. A line cut at the edge's range is written as a
// B-spline of degree 1, whose range the reader takes as written.
class StepLinePcurves {
public:
    // Cuts each line that an edge of `shape` has on a surface bounded both ways at the edge's
    // range, in place: the edges are the same edges with the same geometry. Seams and
    // degenerated edges keep their lines, which the reader treats apart.
    static void Bound(const TopoDS_Shape& shape);
};

} // namespace orvkit
