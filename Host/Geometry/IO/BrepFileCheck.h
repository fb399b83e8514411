#pragma once

#include <string>

namespace orvkit {

// What a BREP file must pass before OpenCASCADE's BRepTools reads it. BRepTools sizes the node
// arrays of its 3D polygons, polygons on triangulations and triangulations by the counts the
// file states, before it reads a single node: a file of 800 bytes that states a polygon of a
// billion nodes has it ask for 24 GB and fill them. The check holds each such count against
// the bytes that follow it, which must hold at least two for every number the count calls
// for. Empty when the file passes, else the reason.
std::string CheckBrepFile(const std::string& path);

} // namespace orvkit
